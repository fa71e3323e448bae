// "--flows" end to end: golden reports of the example nets (time line masked, byte for byte;
// PELORIN_REGOLD=1 rewrites them), a net with signed flows and nodes without arcs (report, "-o"
// file, JSON, work files), a net without flows, and the options it cannot be combined with.
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "support/testutil.h"

namespace pelorin {
namespace {

TEST(FlowsRun, GoldenReportsOfTheExamples) {
  for (const char* net : {"demo.net", "mutex.net", "philosophers3.net", "pipeline.ndr"}) {
    for (const char* kind : {"-P", "-T"}) {
      TempDir dir;
      WriteFile(dir / net, ReadFile(test::SourcePath(std::string("examples/") + net)));
      const test::RunResult r = RunPelorinBinary({"--flows", kind, net}, dir.path());
      EXPECT_EQ(r.exitCode, 0) << net << kind;
      EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{net}) << net << kind;
      const std::string golden = test::SourcePath(std::string("tests/run/golden/") + net + ".flows" + (kind + 1));
      if (std::getenv("PELORIN_REGOLD") != nullptr) WriteFile(golden, MaskTime(r.out));
      EXPECT_EQ(MaskTime(r.out), ReadFile(golden)) << net << kind;
    }
  }
}

// c = a + b: the flows c + b and a - b; the place and the transition without arcs are flows
// by themselves.
const char* const kSigned = "net signed\ntr t c -> a b\ntr s a b -> c\ntr u ->\npl lone\n";

TEST(FlowsRun, SignedFlowsAndNodesWithoutArcs) {
  TempDir dir;
  WriteFile(dir / "s.net", kSigned);
  test::RunResult r = RunPelorinBinary({"--flows", "-q", "-o", "p.inv", "s.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(MaskTime(r.out),
            "Pelorin version 1.0.1alpha --- 06/25/05\n\nparsed net signed\n\n4 places, 3 transitions\n\n"
            "P-FLOWS BASIS ----------------------------------------------\n\n3 flow(s)\n\n"
            "TIME\n\nANALYSIS COMPLETED -----------------------------------------\n");
  EXPECT_EQ(ReadFile(dir / "p.inv"), "1 1 1\n1 3 1\n2 2 1\n2 3 -1\n3 4 1\n");
  r = RunPelorinBinary({"--flows", "-T", "-d", "1", "s.net", "report"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(ReadFile(dir / "report").find("T-FLOWS BASIS ----------------------------------------------\n\n"
                                          "t s \nu \n\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(dir / "__s.net.spmt.inv"), "1 1 1\n1 2 1\n2 3 1\n");
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"__s.net.nmp", "__s.net.nmt", "__s.net.spm",
                                                             "__s.net.spmt", "__s.net.spmt.inv", "p.inv",
                                                             "report", "s.net"}));
}

TEST(FlowsRun, NoFlows) {
  TempDir dir;
  WriteFile(dir / "n.net", "net none\ntr t a ->\n");
  for (const char* kind : {"-P", "-T"}) {
    const test::RunResult r = RunPelorinBinary({"--flows", kind, "n.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("FLOWS BASIS ----------------------------------------------\n\nno flows\n\n"),
              std::string::npos);
  }
}

TEST(FlowsRun, JsonDocument) {
  TempDir dir;
  WriteFile(dir / "s.net", kSigned);
  const test::RunResult r = RunPelorinBinary({"--flows", "--json", "s.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["flows"], true);
  EXPECT_FALSE(doc.contains("check"));
  EXPECT_EQ(doc["count"], 3);
  EXPECT_EQ(doc["semiflows"][1]["support"][1],
            (nlohmann::json{{"name", "b"}, {"number", 3}, {"coefficient", -1}}));
  EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{"s.net"});
}

TEST(FlowsRun, RefusedWithCompositionOrMinimal) {
  TempDir dir;
  WriteFile(dir / "s.net", kSigned);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--flows", "-c", "s.net"}, {"-s", "--flows", "s.net"}, {"--flows", "--minimal", "s.net"}}) {
    const test::RunResult r = RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "*** --flows cannot be combined with -c, -s or --minimal\n");
  }
  EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{"s.net"});
}

}  // namespace
}  // namespace pelorin
