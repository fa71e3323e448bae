// End to end with "--minimal" on nets with parallel nodes and nodes without arcs: the compact
// form of "--classes" (result file, report and JSON document), expanded here, is the full
// listing of "--minimal", and its count is the number of semiflows; every node without arcs is
// a semiflow of its own in the canonical order, in every mode; "--json" names those nodes with
// or without "--minimal"; standard error stays empty when it is not a terminal.
#include <gmpxx.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/netgen.h"
#include "support/semiflows.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using nlohmann::json;

// The random net with twins: every third place a parallel copy (for P), every third transition
// a parallel copy (for T), and a place and a transition without arcs.
std::string WithTwins(const std::string& net) {
  std::istringstream in(net);
  std::string line, text = "pl lonely\ntr idle ->\n";
  int transitions = 0;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word, copy;
    for (int k = 0; words >> word; ++k) {
      copy += word + " ";
      const size_t star = word.find('*');
      const std::string name = word.substr(0, star);
      if (k >= 2 && word != "->" && (name.size() + static_cast<size_t>(name.back())) % 3 == 0)
        copy += name + "_b" + (star == std::string::npos ? "" : word.substr(star)) + " ";
    }
    text += copy + "\n";
    if (line.rfind("tr ", 0) == 0 && ++transitions % 3 == 0) text += "tr x" + copy.substr(3) + "\n";
  }
  return text;
}

// The semiflows a "--classes" result file stands for: each line expanded into every choice of
// one member per class.
std::set<test::Vector> Expanded(const std::string& file) {
  std::map<int32_t, std::vector<int32_t>> classes;
  std::istringstream in(ReadFile(file));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("#class ", 0) != 0) continue;
    std::istringstream words(line.substr(7));
    std::vector<int32_t> members;
    for (int32_t m; words >> m;) members.push_back(m);
    classes[members.front()] = members;
  }
  std::set<test::Vector> all;
  for (const test::Vector& line : test::ReadBasis(file)) {
    std::vector<test::Vector> partial = {{}};
    for (const auto& [element, value] : line) {
      const auto it = classes.find(element);
      const std::vector<int32_t> members = it == classes.end() ? std::vector<int32_t>{element} : it->second;
      std::vector<test::Vector> next;
      for (const test::Vector& v : partial)
        for (int32_t m : members) {
          next.push_back(v);
          next.back()[m] = value;
        }
      partial = std::move(next);
    }
    for (const test::Vector& v : partial) EXPECT_TRUE(all.insert(v).second) << "expanded twice";
  }
  return all;
}

// The count the report prints after the compact listing.
std::string CountLine(const std::string& report) {
  const size_t end = report.find(" minimal semiflow(s)\n");
  if (end == std::string::npos) return "none";
  return report.substr(report.rfind('\n', end) + 1, end - report.rfind('\n', end) - 1);
}

TEST(Classes, ExpandToTheFullListingInEveryMode) {
  for (test::NetFamily family : test::AllFamilies()) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      TempDir dir;
      WriteFile(dir / "n.net", WithTwins(test::RandomNet(family, seed)));
      for (const char* kind : {"-P", "-T"}) {
        const std::string where = std::string(test::FamilyName(family)) + " " + std::to_string(seed) + kind;
        test::RunResult full = RunPelorinBinary({"--minimal", kind, "-w", "w", "-o", "full", "n.net"}, dir.path());
        ASSERT_EQ(full.exitCode, 0) << where << full.out;
        EXPECT_EQ(full.err, "") << where;
        const std::vector<test::Vector> listed = test::ReadBasis(dir / "full");
        // the node without arcs is the first semiflow (named first), and the check word counts it
        EXPECT_EQ(listed.front(), (test::Vector{{1, 1}})) << where;
        EXPECT_NE(full.out.find(std::string(kind) == "-P" ? "\nlonely \n" : "\nidle \n"), std::string::npos) << where;
        for (const char* mode : {"-c", "-s"}) {
          ASSERT_EQ(RunPelorinBinary({mode, "--minimal", kind, "-w", "w", "-o", "m", "n.net"}, dir.path()).exitCode, 0);
          EXPECT_EQ(ReadFile(dir / "m"), ReadFile(dir / "full")) << where << mode;
        }
        test::RunResult compact =
            RunPelorinBinary({"--minimal", "--classes", kind, "-w", "w", "-o", "compact", "n.net"}, dir.path());
        ASSERT_EQ(compact.exitCode, 0) << where << compact.out;
        EXPECT_EQ(Expanded(dir / "compact"), std::set<test::Vector>(listed.begin(), listed.end())) << where;
        EXPECT_EQ(CountLine(compact.out), std::to_string(listed.size())) << where;
        const size_t heading = full.out.find("--------\n\n");
        EXPECT_EQ(compact.out.substr(0, compact.out.find('\n', heading + 10)),
                  full.out.substr(0, full.out.find('\n', heading + 10)))
            << where << ": the heading and the check word";
      }
    }
  }
}

TEST(Classes, JsonDocumentNamesClassesAndNodesWithoutArcs) {
  TempDir dir;
  WriteFile(dir / "n.net", "pl lone\ntr t1 a -> b b2 b3\ntr t2 b b2 b3 -> a\ntr t3 ->\ntr t4 c -> d\n");
  test::RunResult r = RunPelorinBinary({"--json", "--minimal", "--classes", "n.net"}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["isolated"], json::parse(R"(["lone"])"));
  EXPECT_EQ(doc["classes"], true);
  EXPECT_EQ(doc["lines"], 3);
  EXPECT_EQ(doc["count"], 5);  // {lone}, a with one of b, b2, b3, and {c, d}
  EXPECT_EQ(doc["semiflows"][1]["support"][1]["class"],
            json::parse(R"([{"name": "b", "number": 3}, {"name": "b2", "number": 4}, {"name": "b3", "number": 5}])"));
  for (const char* mode : {"-c", "-s"}) {
    for (const char* kind : {"-P", "-T"}) {
      r = RunPelorinBinary({"--json", mode, kind, "n.net"}, dir.path());
      ASSERT_EQ(r.exitCode, 0) << r.out;
      EXPECT_EQ(json::parse(r.out)["isolated"], json::parse(std::string(kind) == "-P" ? R"(["lone"])" : R"(["t3"])"));
      // the count and the check word of "-q": the node without arcs is covered by its own semiflow
      r = RunPelorinBinary({"--minimal", "-q", mode, kind, "n.net"}, dir.path());
      EXPECT_NE(r.out.find(std::string(kind) == "-P" ? "\n\ninvariant\n\n5 semiflow(s)\n"
                                                    : "\n\nnot consistent\n\n2 semiflow(s)\n"),
                std::string::npos)
          << mode << kind << r.out;
    }
  }
}

TEST(Classes, NeedsMinimalAndCountsWhatItCannotList) {
  TempDir dir;
  WriteFile(dir / "n.net", "tr t1 a -> b\n");
  test::RunResult r = RunPelorinBinary({"--classes", "n.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.out, "*** --classes needs --minimal\n");
  // 2^40 semiflows: forty classes of two parallel places on one cycle
  std::string in;
  for (int i = 0; i < 40; ++i) {
    const std::string p = "p" + std::to_string(i), q = "p" + std::to_string(i + 1);
    in += "tr t" + std::to_string(i) + " " + p + " " + p + "x -> " + (i == 39 ? "p0 p0x" : q + " " + q + "x") + "\n";
  }
  WriteFile(dir / "big.net", in);
#if !defined(__SANITIZE_ADDRESS__)  // address-sanitizer builds run without the memory cap
  r = RunPelorinBinary({"--minimal", "-q", "--memory=64M", "big.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("*** not enough memory for rays: 1099511627776 minimal semiflows; --classes writes them "
                       "compactly\n"),
            std::string::npos)
      << r.out;
#endif
  r = RunPelorinBinary({"--minimal", "--classes", "-q", "big.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("\n1099511627776 minimal semiflow(s)\n\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace pelorin
