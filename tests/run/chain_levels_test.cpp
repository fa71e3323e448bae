// The composition chain at every debug level: on seeded random nets, "-c" and "-s", P and T,
// with and without "--minimal", levels 0, 1 and 2 give the same report (time line masked), exit
// code and result file; level 0 leaves no work file, level 1 only the copies of the steps, and
// level 2 the same copies beside the chain's records. The records of level 2 are those that the
// file stages make from each other: run again on the recorded inputs, the stages write the same
// bytes.
#include <map>

#include "run/cli.h"
#include "support/netgen.h"
#include "support/solverfiles.h"
#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using test::NetFamily;
using Files = std::map<std::string, std::string>;

// Every file of `dir` with its content; the report with its time line masked.
Files Contents(const TempDir& dir) {
  Files files;
  for (const std::string& name : test::ListFiles(dir.path()))
    files[name] = name == "report" ? test::MaskTime(ReadFile(dir / name)) : ReadFile(dir / name);
  return files;
}

// One run in `dir`, whose files it returns with the exit code.
Files Run(const TempDir& dir, const std::string& net, RunSettings s) {
  test::WriteFile(dir / "n.net", net);
  s.input = dir / "n.net";
  s.output = dir / "report";
  s.baseGiven = true;
  s.base = dir / "w";
  s.pathGiven = true;
  s.resultPath = dir / "result";
  const int code = RunPelorin(s);
  Files files = Contents(dir);
  files["exit code"] = std::to_string(code);
  return files;
}

// The files whose names begin with `prefix`.
Files Starting(const Files& files, const std::string& prefix) {
  Files found;
  for (const auto& [name, content] : files)
    if (name.rfind(prefix, 0) == 0) found[name] = content;
  return found;
}

// Runs the file stages of simultaneous composition on the level-2 records of `dir` (matrix M)
// in a fresh directory; each stage's output must be the record.
void CheckStagesRemakeRecords(const TempDir& dir, const std::string& matrix, bool minimal) {
  TempDir again;
  const std::string m = again / "m";
  test::WriteFile(m, ReadFile(dir / matrix));
  const int count = DecomposeIntoFSN(m);
  for (const std::string& suffix : {std::string(".p"), std::string(".z"), ".z" + std::to_string(count)})
    EXPECT_EQ(ReadFile(m + suffix), ReadFile(dir / (matrix + suffix))) << suffix;
  if (count < 2 || minimal) return;  // the minimal-support stages are checked by the solver's tests
  for (int i = 1; i <= count; ++i) test::WriteFile(m + ".i" + std::to_string(i), ReadFile(dir / (matrix + ".i" + std::to_string(i))));
  CreateCompositionSystem(m);
  Toudic(m + ".s", m + ".r0");
  AddUnitSolutions(m + ".r0", m + ".u", m + ".r");
  ComposeJointMatrix(m);
  MultiplySPM(m + ".r", m + ".g", m + ".h0");
  for (const char* suffix : {".s", ".u", ".r0", ".r", ".g", ".h0"})
    EXPECT_EQ(ReadFile(m + suffix), ReadFile(dir / (matrix + suffix))) << suffix;
  MinimizeBasis(m + ".h0", m + ".h");
  EXPECT_EQ(ReadFile(m + ".h"), ReadFile(dir / "result"));
}

void CheckLevelsAgree(NetFamily family, uint32_t seed) {
  const std::string net = test::RandomNet(family, seed);
  for (Mode mode : {kSimultaneous, kSequential})
    for (bool transitions : {false, true})
      for (bool minimal : {false, true}) {
        RunSettings s;
        s.mode = mode;
        s.transitions = transitions;
        s.minimal = minimal;
        s.full = seed % 2 != 0;
        SCOPED_TRACE(std::string(mode == kSimultaneous ? "-c" : "-s") + (transitions ? " -T" : " -P") +
                     (minimal ? " --minimal" : ""));
        const std::string matrix = transitions ? "w.spmt" : "w.spm";
        TempDir dir0, dir1, dir2;
        const Files level0 = Run(dir0, net, s);
        s.debug = 1;
        const Files level1 = Run(dir1, net, s);
        s.debug = 2;
        const Files level2 = Run(dir2, net, s);
        for (const char* name : {"exit code", "report", "result"}) {
          EXPECT_EQ(level1.at(name), level0.at(name)) << name << "\n" << net;
          EXPECT_EQ(level2.at(name), level0.at(name)) << name << "\n" << net;
        }
        EXPECT_TRUE(Starting(level0, "w").empty());
        EXPECT_EQ(Starting(level1, matrix + "-"), Starting(level2, matrix + "-"));
        EXPECT_EQ(Starting(level1, matrix + ".").size(), 0u);
        if (mode == kSimultaneous && level2.at("exit code") == "0") CheckStagesRemakeRecords(dir2, matrix, minimal);
      }
}

// A subnet whose solution overflows: at level 2 the run leaves what the file stages would, the
// subnets, their graph and contact places, and the solver's file of the failing subnet, empty;
// "-s" leaves the same (its subnets are renamed only once solved).
TEST(ChainLevels, AFailingSubnetLeavesItsEmptyBasisFile) {
  const std::string net = "tr t1 a*65537 -> b*65536 c\ntr t2 b*65535 -> a c\ntr t3 c -> d\ntr t4 d -> c\n";
  for (const Mode mode : {kSimultaneous, kSequential}) {
    TempDir dir;
    RunSettings s;
    s.mode = mode;
    s.debug = 2;
    const Files files = pelorin::Run(dir, net, s);
    EXPECT_EQ(files.at("exit code"), "5");
    Files chain = Starting(files, "w.spm.");
    EXPECT_EQ(chain.at("w.spm.i1"), "");
    chain.erase("w.spm.i1");
    for (const char* record : {"w.spm.z", "w.spm.p", "w.spm.z1", "w.spm.z2"}) chain.erase(record);
    EXPECT_TRUE(chain.empty()) << chain.begin()->first;
  }
}

class ChainLevels : public ::testing::TestWithParam<NetFamily> {};

TEST_P(ChainLevels, GiveOneResultAndKeepTheirRecords) { test::ForEachSeed(GetParam(), 6, CheckLevelsAgree); }

INSTANTIATE_TEST_SUITE_P(Families, ChainLevels, ::testing::ValuesIn(test::AllFamilies()));

}  // namespace
}  // namespace pelorin
