// The JSON report end to end: on the example nets in every mode, P and T, the document parses
// and says what the text report and the result file say; awkward names; every failure class
// leaves one JSON document.
#include <algorithm>
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

#if defined(__SANITIZE_ADDRESS__)
#define PELORIN_NO_CAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELORIN_NO_CAP 1
#endif
#endif

// A failure of each class that the end-to-end tests know. "OUT" stands for the report.
struct FailureCase {
  std::vector<std::string> args;
  int code;
  bool commandLine = false;  // an error of the command line itself
  std::string shell = "";    // run first in the same shell
};

std::vector<FailureCase> FailureCases() {
  std::vector<FailureCase> cases = {
      {{"demo.net", "OUT", "extra"}, 4, true},                 // the command line
      {{"demo.net", "OUT", "-d"}, 4, true},
      {{"--memory=12X", "demo.net", "OUT"}, 4, true},
      {{"--flows", "-c", "demo.net", "OUT"}, 4, true},
      {{"--bounds", "-T", "demo.net", "OUT"}, 4, true},
      {{"-d", "99999999999", "demo.net", "OUT"}, 5, true},
      {{"missing.net", "OUT"}, 2},                       // the input and the net
      {{"bad.net", "OUT"}, 2},
      {{"coloured.pnml", "OUT"}, 2},
      {{"big.net", "OUT"}, 5},
      {{"chain.net", "OUT"}, 5},                         // a coefficient beyond 32 bits
      {{"-o", "demo.net", "demo.net", "OUT"}, 2},        // the files of the run
      {{"-o", "__demo.net.nmp", "demo.net", "OUT"}, 2},
      {{"-o", "missing/x.inv", "demo.net", "OUT"}, 2},
      {{"-w", "missing/w", "demo.net", "OUT"}, 2},
      {{"-T", "-q", "fan.net", "OUT"}, 2, false, "ulimit -f 8"},
  };
#ifndef PELORIN_NO_CAP  // address-sanitizer builds run without the memory cap
  cases.push_back({{"--memory=32M", "-T", "-q", "diamonds.net", "OUT"}, 1});
#endif
  return cases;
}

// The nets the failures need, in `dir`.
void WriteFailingNets(const TempDir& dir) {
  WriteFile(dir / "demo.net", ReadFile(test::SourcePath("examples/demo.net")));
  WriteFile(dir / "bad.net", "tr t a\nxx\n");
  WriteFile(dir / "coloured.pnml",
            "<pnml><net id=\"c\" type=\"http://www.pnml.org/version-2009/grammar/symmetricnet\"/></pnml>");
  WriteFile(dir / "big.net", "tr t a -> b\npl a (3000000000)\n");
  std::string chain, fan, diamonds;
  for (int i = 0; i < 50; ++i) chain += "tr t" + std::to_string(i) + " p" + std::to_string(i) + "*2 -> p" + std::to_string(i + 1) + "*3\n";
  for (int i = 1; i <= 40; ++i) fan += "tr a" + std::to_string(i) + " -> p\ntr b" + std::to_string(i) + " p ->\n";
  for (int i = 0; i < 22; ++i) {  // 2^22 T-semiflows
    const std::string n = std::to_string(i), s = "s" + n, next = "s" + std::to_string((i + 1) % 22);
    diamonds += "tr a" + n + " " + s + " -> x" + n + "\ntr c" + n + " x" + n + " -> " + next + "\n";
    diamonds += "tr b" + n + " " + s + " -> y" + n + "\ntr d" + n + " y" + n + " -> " + next + "\n";
  }
  WriteFile(dir / "chain.net", chain);
  WriteFile(dir / "fan.net", fan);
  WriteFile(dir / "diamonds.net", diamonds);
}

std::vector<std::string> WithReport(std::vector<std::string> args, const std::string& report, bool json) {
  std::replace(args.begin(), args.end(), std::string("OUT"), report);
  if (json) args.insert(args.begin() + static_cast<long>(args.size()) / 2, "--json");
  return args;
}

// With "--json" every failure keeps its exit code, its message goes to standard error, and
// standard output holds exactly one JSON document: the error document when the report goes
// there or the command line is wrong, else nothing. A report file then holds the error
// document, or is left as it was when the run failed before writing it. The message is that of
// the text run.
TEST(JsonReport, EveryFailureLeavesOneJsonDocument) {
  for (const FailureCase& c : FailureCases()) {
    TempDir dir;
    WriteFailingNets(dir);
    const std::string where = c.args[0] + " " + c.args[1];
    const test::RunResult text = RunPelorinBinary(WithReport(c.args, "text.out", false), dir.path(), "", "", c.shell);
    ASSERT_EQ(text.exitCode, c.code) << where << text.out;
    ASSERT_EQ(text.out.rfind("***", 0), 0u) << where << text.out;
    const json error = {{"error", {{"code", c.code}, {"message", text.out.substr(0, text.out.size() - 1)}}}};

    test::RunResult r = RunPelorinBinary(WithReport(c.args, "-", true), dir.path(), "", "", c.shell);
    EXPECT_EQ(r.exitCode, c.code) << where;
    EXPECT_EQ(r.err, text.out) << where;
    EXPECT_EQ(json::parse(r.out), error) << where;

    WriteFile(dir / "out.json", "{\"old\": true}\n");
    r = RunPelorinBinary(WithReport(c.args, "out.json", true), dir.path(), "", "", c.shell);
    EXPECT_EQ(r.exitCode, c.code) << where;
    EXPECT_EQ(r.err, text.out) << where;
    EXPECT_EQ(r.out, c.commandLine ? error.dump() + "\n" : "") << where;
    const json report = json::parse(ReadFile(dir / "out.json"));
    EXPECT_TRUE(report == error || report == json::parse("{\"old\": true}")) << where << report;
  }
  TempDir dir;  // the output that would be the input is not touched
  WriteFile(dir / "in.net", "tr t a -> b\n");
  EXPECT_EQ(RunPelorinBinary({"--json", "in.net", "in.net"}, dir.path()).exitCode, 2);
  EXPECT_EQ(ReadFile(dir / "in.net"), "tr t a -> b\n");
}

}  // namespace
}  // namespace pelorin
