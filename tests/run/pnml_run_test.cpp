// PNML input end to end: the built Pelorin gives the same report for a net written in PNML as for
// the same net written in ".net" (examples/demo.pnml and demo.net; seeded random nets written
// again in PNML with pages, references, split arcs, markings and an inhibitor arc), from a file
// and from a pipe; and a refused PNML net ends with its message and exit code.
#include <sstream>

#include "support/netgen.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

const std::vector<std::vector<std::string>> kModes = {{}, {"-T"}, {"-c"}, {"-s"}, {"-T", "-c"}, {"-T", "-s"}};

// The report of one run (time masked); the run must succeed.
std::string Report(const std::string& dir, std::vector<std::string> args, const std::string& stdinText = "") {
  const test::RunResult r = RunPelorinBinary(args, dir, stdinText);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  return MaskTime(r.out);
}

// In every mode the net file `pnml` gives the report of the net file `net` (and so does the
// text `piped`, when given, on standard input: a pipe).
void ExpectSameReports(const std::string& dir, const std::string& net, const std::string& pnml,
                       const std::string& context, const std::string& piped = "") {
  for (const auto& mode : kModes) {
    std::vector<std::string> args = mode;
    args.push_back(net);
    const std::string expected = Report(dir, args);
    args.back() = pnml;
    EXPECT_EQ(Report(dir, args), expected) << context;
    if (piped.empty()) continue;
    args.back() = "-";
    EXPECT_EQ(Report(dir, args, piped), expected) << context;
  }
}

TEST(PnmlRun, DemoGivesTheReportOfDemoNet) {
  TempDir dir;
  WriteFile(dir / "demo.net", ReadFile(test::SourcePath("examples/demo.net")));
  const std::string pnml = ReadFile(test::SourcePath("examples/demo.pnml"));
  WriteFile(dir / "demo.pnml", pnml);
  ExpectSameReports(dir.path(), "demo.net", "demo.pnml", "demo", pnml);
}

// ".net" name as the PNML text: braces and backslashes of a braced name dropped.
std::string PlainName(const std::string& name) {
  if (name.empty() || name[0] != '{') return name;
  std::string plain;
  for (size_t i = 1; i + 1 < name.size(); ++i) plain += name[i] == '\\' ? name[++i] : name[i];
  return plain;
}

std::string Xml(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '<') escaped += "&lt;";
    else if (c == '&') escaped += "&amp;";
    else if (c == '"') escaped += "&quot;";
    else escaped += c;
  }
  return escaped;
}

// "i name" lines of a name table.
std::vector<std::string> Names(const std::string& table) {
  std::vector<std::string> names;
  std::istringstream in(table);
  std::string line;
  while (std::getline(in, line)) names.push_back(PlainName(line.substr(line.find(' ') + 1)));
  return names;
}

// The net of the work files w.spm, w.nmp, w.nmt in PNML: nodes in table order (which document
// order keeps) spread over two nested pages, arcs in matrix order, every other place end through
// a chain of two references, weights above 1 split into two arcs, an inhibitor arc that changes
// nothing.
std::string ToPnml(const std::string& dir, const std::string& netName) {
  const std::vector<std::string> places = Names(ReadFile(dir + "/w.nmp"));
  const std::vector<std::string> transitions = Names(ReadFile(dir + "/w.nmt"));
  std::string before, inner, after, arcs;  // page a: before, page b (inner), after, arcs
  for (size_t i = 0; i < places.size(); ++i) {
    const std::string id = "P" + std::to_string(i + 1);
    (2 * i < places.size() ? before : inner) += "<place id=\"" + id + "\"><name><text>" + Xml(places[i]) +
                                               "</text></name><initialMarking><text>" + std::to_string(i % 3) +
                                               "</text></initialMarking></place>\n";
    after += "<referencePlace id=\"R" + id + "\" ref=\"Q" + id + "\"/><referencePlace id=\"Q" + id + "\" ref=\"" + id + "\"/>\n";
  }
  for (size_t j = 0; j < transitions.size(); ++j)
    (2 * j < transitions.size() ? inner : after) += "<transition id=\"T" + std::to_string(j + 1) + "\"><name><text>" +
                                                   Xml(transitions[j]) + "</text></name></transition>\n";
  std::istringstream spm(ReadFile(dir + "/w.spm"));
  int place, transition, value, k = 0;
  while (spm >> place >> transition >> value) {
    const std::string p = (++k % 2 == 0 ? "RP" : "P") + std::to_string(place);
    const std::string t = "T" + std::to_string(transition);
    const std::string source = value < 0 ? p : t, target = value < 0 ? t : p;
    const int weight = value < 0 ? -value : value;
    auto arc = [&](const std::string& id, int w) {
      arcs += "<arc id=\"" + id + "\" source=\"" + source + "\" target=\"" + target + "\"><inscription><text>" +
              std::to_string(w) + "</text></inscription></arc>\n";
    };
    arc("A" + std::to_string(k), weight > 1 ? 1 : weight);
    if (weight > 1) arc("B" + std::to_string(k), weight - 1);
    if (k == 1) arcs += "<arc id=\"I\" source=\"P1\" target=\"" + t + "\" type=\"inhibitor\"/>\n";
  }
  const std::string name = netName == "noname" ? "" : "<name><text>" + Xml(PlainName(netName)) + "</text></name>";
  return "<?xml version=\"1.0\"?>\n<pnml xmlns=\"http://www.pnml.org/version-2009/grammar/pnml\">\n"
         "<net id=\"net\" type=\"http://www.pnml.org/version-2009/grammar/ptnet\">" + name +
         "<page id=\"a\">\n" + before + "<page id=\"b\">\n" + inner + "</page>\n" + after + arcs + "</page></net></pnml>\n";
}

TEST(PnmlRun, RandomNetsGiveTheSameReportsInPnml) {
  for (test::NetFamily family : {test::NetFamily::kStateMachines, test::NetFamily::kSharedResources,
                                 test::NetFamily::kModules, test::NetFamily::kMixed}) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      TempDir dir;
      test::WriteRandomNet(dir.path(), family, seed);
      const std::string report = Report(dir.path(), {"-d", "1", "-w", "w", "n.net"});
      const size_t at = report.find("parsed net ") + 11;
      const std::string pnml = ToPnml(dir.path(), report.substr(at, report.find('\n', at) - at));
      WriteFile(dir / "n.pnml", pnml);
      ExpectSameReports(dir.path(), "n.net", "n.pnml", std::string(test::FamilyName(family)) + " " + std::to_string(seed) + "\n" + pnml);
    }
  }
}

TEST(PnmlRun, RefusedNetsEndWithTheirMessage) {
  TempDir dir;
  const std::string coloured =
      "<pnml><net id=\"c\" type=\"http://www.pnml.org/version-2009/grammar/symmetricnet\"/></pnml>";
  test::RunResult r = RunPelorinBinary({"-"}, dir.path(), coloured);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "Pelorin version 1.0.1alpha --- 06/25/05\n\n"
                   "*** PNML: the net is coloured (symmetric or high-level); only place/transition nets are read\n");
  WriteFile(dir / "big.pnml", "<pnml><net><place id=\"p\"><initialMarking><text>4294967296</text>"
                              "</initialMarking></place></net></pnml>");
  r = RunPelorinBinary({"big.pnml"}, dir.path());
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_EQ(r.out.substr(r.out.find("***")), "*** integer overflow\n");
}

}  // namespace
}  // namespace pelorin
