// The composition chain in memory against the chain through work files: on seeded random nets,
// "-c" and "-s" at debug levels 0, 1 and 2, P and T, full and digest, the two must leave the same
// report (time line masked), exit code and files, byte for byte.
#include <map>

#include "compose/cor.h"
#include "run/Pelorin.h"
#include "support/netgen.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using test::NetFamily;

// Every file of `dir` with its content; the report with its time line masked.
std::map<std::string, std::string> Contents(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : test::ListFiles(dir.path()))
    files[name] = name == "report" ? test::MaskTime(ReadFile(dir / name)) : ReadFile(dir / name);
  return files;
}

// One run in a fresh directory; the collapse's generator starts afresh as in a new process.
std::map<std::string, std::string> Run(const std::string& net, RunSettings s, bool throughFiles) {
  TempDir dir;
  test::WriteFile(dir / "n.net", net);
  s.input = dir / "n.net";
  s.output = dir / "report";
  s.baseGiven = true;
  s.base = dir / "w";
  s.pathGiven = true;
  s.resultPath = dir / "result";
  s.throughFiles = throughFiles;
  ResetCollapseRandom();
  const int code = RunPelorin(s);
  std::map<std::string, std::string> files = Contents(dir);
  files["exit code"] = std::to_string(code);
  return files;
}

void CheckChainsAgree(NetFamily family, uint32_t seed) {
  const std::string net = test::RandomNet(family, seed);
  for (Mode mode : {kSimultaneous, kSequential}) {
    for (int debug : {0, 1, 2}) {
      for (bool transitions : {false, true}) {
        RunSettings s;
        s.mode = mode;
        s.debug = debug;
        s.transitions = transitions;
        s.full = seed % 2 != 0;
        SCOPED_TRACE("mode " + std::to_string(mode) + ", level " + std::to_string(debug) + (transitions ? ", T" : ", P"));
        EXPECT_EQ(Run(net, s, false), Run(net, s, true)) << net;
      }
    }
  }
}

class ChainInMemory : public ::testing::TestWithParam<NetFamily> {};

TEST_P(ChainInMemory, LeavesWhatTheChainThroughFilesLeaves) { test::ForEachSeed(GetParam(), 8, CheckChainsAgree); }

INSTANTIATE_TEST_SUITE_P(Families, ChainInMemory, ::testing::ValuesIn(test::AllFamilies()));

}  // namespace
}  // namespace pelorin
