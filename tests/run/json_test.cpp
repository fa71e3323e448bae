// The JSON report end to end: on the example nets in every mode, P and T, the document parses
// and says what the text report and the result file say; awkward names; a failing run.
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/testutil.h"

namespace pelorin {
namespace {

using nlohmann::json;

// The text listing that the document's semiflows stand for: one line per semiflow.
std::string ListingOf(const json& doc) {
  std::string text;
  for (const json& semiflow : doc["semiflows"]) {
    text += "\n";
    for (const json& m : semiflow["support"]) {
      text += m["name"].get<std::string>();
      if (m["coefficient"].get<long long>() > 1) text += "*" + std::to_string(m["coefficient"].get<long long>());
      text += " ";
    }
  }
  return text;
}

// The result file that the document's semiflows stand for.
std::string ResultFileOf(const json& doc) {
  std::string text;
  for (const json& semiflow : doc["semiflows"])
    for (const json& m : semiflow["support"])
      text += std::to_string(semiflow["index"].get<int>()) + " " + std::to_string(m["number"].get<int>()) + " " +
              std::to_string(m["coefficient"].get<long long>()) + "\n";
  return text;
}

TEST(JsonReport, SaysWhatTheTextReportAndTheResultFileSay) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> modes = {
      {{}, "direct"}, {{"-c"}, "simultaneous"}, {{"-s"}, "sequential"}};
  for (const char* net : {"demo.net", "mutex.net", "philosophers3.net", "pipeline.ndr"}) {
    for (const auto& [modeArgs, mode] : modes) {
      for (const bool t : {false, true}) {
        TempDir dir;
        WriteFile(dir / net, ReadFile(test::SourcePath(std::string("examples/") + net)));
        std::vector<std::string> args = modeArgs;
        if (t) args.push_back("-T");
        args.insert(args.end(), {"-o", "text.inv", net, "report"});
        ASSERT_EQ(RunPelorinBinary(args, dir.path()).exitCode, 0);
        args.insert(args.begin(), "--json");
        args[args.size() - 3] = "json.inv";
        args.back() = "report.json";
        ASSERT_EQ(RunPelorinBinary(args, dir.path()).exitCode, 0);
        const std::string where = std::string(net) + " " + mode + (t ? " T" : " P");

        const json doc = json::parse(ReadFile(dir / "report.json"));
        const std::string text = ReadFile(dir / "report");
        EXPECT_EQ(doc["kind"], t ? "T" : "P") << where;
        EXPECT_EQ(doc["mode"], mode) << where;
        EXPECT_EQ(doc["format"], std::string(net).ends_with(".ndr") ? "ndr" : "net") << where;
        EXPECT_NE(text.find("parsed net " + doc["net"].get<std::string>() + "\n\n" +
                            std::to_string(doc["places"].get<int>()) + " places, " +
                            std::to_string(doc["transitions"].get<int>()) + " transitions\n"),
                  std::string::npos)
            << where;
        const std::string check = doc["check"];
        EXPECT_EQ(doc["covered"].get<bool>(), check.rfind("not ", 0) != 0) << where;
        EXPECT_NE(text.find("--------\n\n" + check + "\n" + ListingOf(doc) + "\n\n"), std::string::npos) << where;
        EXPECT_EQ(doc["count"].get<size_t>(), doc["semiflows"].size()) << where;
        EXPECT_EQ(ResultFileOf(doc), ReadFile(dir / "text.inv")) << where;
        EXPECT_EQ(ReadFile(dir / "json.inv"), ReadFile(dir / "text.inv")) << where;
        EXPECT_EQ(doc["minimal"], false);
        for (const json& semiflow : doc["semiflows"]) EXPECT_EQ(semiflow.contains("constant"), !t) << where;  // P only
      }
    }
  }
}

TEST(JsonReport, DigestCountsWithoutListing) {
  TempDir dir;
  WriteFile(dir / "a.net", "tr t1 p1 -> p2\ntr t2 p2 -> p1\ntr t3 p3 -> p4\ntr t4 p4 -> p3\n");
  test::RunResult r = RunPelorinBinary({"--json", "-q", "a.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  const json doc = json::parse(r.out);
  EXPECT_FALSE(doc.contains("semiflows"));
  EXPECT_EQ(doc["count"], 2);
  EXPECT_EQ(doc["net"], "noname");
  EXPECT_EQ(test::ListFiles(dir.path()), std::vector<std::string>{"a.net"});
}

TEST(JsonReport, AwkwardNamesComeOutAsValidJson) {
  TempDir dir;
  // quotes, backslashes, a tab and braces in braced names; bytes that are not UTF-8
  const std::string net = "net {a \\\"net\\\"}\ntr t {p\\\\1\t\"x\"} -> {q\xff\xfe} \xc3\xa9\n";
  WriteFile(dir / "a.net", net);
  test::RunResult r = RunPelorinBinary({"--json", "a.net"}, dir.path());
  ASSERT_EQ(r.exitCode, 0);
  const json doc = json::parse(r.out);  // throws on invalid JSON or UTF-8
  EXPECT_EQ(doc["net"], "{a \\\"net\\\"}");
  std::vector<std::string> names;
  for (const json& semiflow : doc["semiflows"])
    for (const json& m : semiflow["support"]) names.push_back(m["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"{p\\\\1\t\"x\"}", "{q\xef\xbf\xbd\xef\xbf\xbd}", "{p\\\\1\t\"x\"}",
                                              "\xc3\xa9"}));
}

TEST(JsonReport, MinimalSemiflowsWithCoefficientsBeyond64Bits) {
  TempDir dir;
  std::string net;  // t_i: p_i*2 -> p_i+1*3, so the one semiflow is 3^50 on p0 down to 2^50 on p50
  for (int i = 0; i < 50; ++i) net += "tr t" + std::to_string(i) + " p" + std::to_string(i) + "*2 -> p" + std::to_string(i + 1) + "*3\n";
  WriteFile(dir / "chain.net", net);
  test::RunResult r = RunPelorinBinary({"--json", "--minimal", "chain.net"}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["minimal"], true);
  EXPECT_EQ(doc["count"], 1);
  EXPECT_NE(r.out.find("{\"name\": \"p0\", \"number\": 1, \"coefficient\": 717897987691852588770249}"), std::string::npos);
  EXPECT_NE(r.out.find("{\"name\": \"p50\", \"number\": 51, \"coefficient\": 1125899906842624}"), std::string::npos);
}

TEST(JsonReport, FailingRunWritesTheErrorDocument) {
  TempDir dir;
  WriteFile(dir / "bad.net", "tr t a\nxx\n");
  test::RunResult r = RunPelorinBinary({"--json", "bad.net", "out.json"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "*** unknown command: xx\n");  // the message stands as without "--json"
  const json doc = json::parse(ReadFile(dir / "out.json"));
  EXPECT_EQ(doc, json::parse(R"({"error": {"code": 2, "message": "*** unknown command: xx"}})"));

  r = RunPelorinBinary({"--json", "missing.net"}, dir.path());  // to standard output, after the message
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "*** error open file missing.net\n{\"error\":{\"code\":2,\"message\":\"*** error open file missing.net\"}}\n");

  WriteFile(dir / "in.net", "tr t a -> b\n");  // the output would be the input: it is not touched
  r = RunPelorinBinary({"--json", "in.net", "in.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(ReadFile(dir / "in.net"), "tr t a -> b\n");
}

}  // namespace
}  // namespace pelorin
