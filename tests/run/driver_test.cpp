// Whole composition runs through the driver on small matrices.
#include "run/driver.h"

#include <utility>

#include "matrix/spm.h"
#include "support/semiflows.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// The chain of the composition example: places 1 -> 2 -> 3 through transitions 1 and 2.
const char* const kChain = "1 1 -1\n2 1 1\n2 2 -1\n3 2 1\n";

// Solves the matrix file `matrix` into `solution`, the work files named from `matrix`.
int Solve(const std::string& matrix, const std::string& solution, int debug, Mode mode) {
  return SolveInvariants(ReadElementsFile(matrix, CommentRule::kHashOrSemicolon), matrix, solution, debug, mode);
}

TEST(Driver, DirectModeMakesNoWorkFile) {
  TempDir dir;
  WriteFile(dir / "M", kChain);
  EXPECT_EQ(Solve(dir / "M", dir / "inv", 2, kDirect), 0);
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"M", "inv"}));
  EXPECT_EQ(ReadFile(dir / "inv"), "1 1 1\n1 2 1\n1 3 1\n");
}

// A composition of the chain at debug level 1: the files it leaves, and the contents of its copies.
struct ChainCopies {
  Mode mode;
  std::vector<std::string> files;
  std::vector<std::pair<std::string, std::string>> copies;  // name, content
};

class DriverChain : public testing::TestWithParam<ChainCopies> {};

TEST_P(DriverChain, CompositionLeavesTheCopiesOfLevelOne) {
  const ChainCopies& c = GetParam();
  TempDir dir;
  WriteFile(dir / "M", kChain);
  EXPECT_EQ(Solve(dir / "M", dir / "inv", 1, c.mode), 0);
  EXPECT_EQ(ReadFile(dir / "inv"), "1 1 1\n1 2 1\n1 3 1\n");
  EXPECT_EQ(ListFiles(dir.path()), c.files);
  for (const auto& [name, content] : c.copies) EXPECT_EQ(ReadFile(dir / name), content) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DriverChain,
    testing::Values(ChainCopies{kSimultaneous, {"M", "M-s1", "inv"}, {{"M-s1", "1 2 1\n2 2 -1\n"}}},
                    // one contact place: the one step fuses the whole chain
                    ChainCopies{kSequential, {"M", "M-i1", "M-s1", "M-z1", "inv"},
                                {{"M-i1", "1 1 1\n1 2 1\n1 3 1\n"}, {"M-z1", kChain}}}),
    [](const testing::TestParamInfo<ChainCopies>& info) {
      return info.param.mode == kSimultaneous ? std::string("Simultaneous") : std::string("Sequential");
    });

TEST(Driver, SingleSubnetEndsAfterItsSolution) {
  TempDir dir;
  WriteFile(dir / "M", "1 1 -1\n1 2 -1\n2 1 1\n2 2 1\n");  // both transitions move p1 to p2: one subnet
  for (Mode mode : {kSimultaneous, kSequential}) {
    EXPECT_EQ(Solve(dir / "M", dir / "inv", 1, mode), 1);
    EXPECT_EQ(ReadFile(dir / "inv"), "1 1 1\n1 2 1\n");
    EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"M", "inv"}));
  }
}

TEST(Driver, DisconnectedSubnetsGiveTheUnionOfTheirBases) {
  TempDir dir;
  // Two separate cycles of two places, and a chain 5 -> 6 joined to nothing.
  WriteFile(dir / "M", "1 1 -1\n2 1 1\n2 2 -1\n1 2 1\n3 3 -1\n4 3 1\n4 4 -1\n3 4 1\n5 5 -1\n6 5 1\n");
  for (Mode mode : {kSimultaneous, kSequential}) {
    for (int debug : {0, 2}) {
      TempDir run;
      WriteFile(run / "M", ReadFile(dir / "M"));
      Solve(run / "M", run / "inv", debug, mode);
      EXPECT_EQ(test::CheckBasis(run / "M", run / "inv"), "");
      EXPECT_EQ(test::ReadBasis(run / "inv").size(), 3u) << "mode " << mode;  // p1+p2, p3+p4, p5+p6
      if (debug == 0) {
        EXPECT_EQ(ListFiles(run.path()), (std::vector<std::string>{"M", "inv"})) << "mode " << mode;
      }
    }
  }
}

}  // namespace
}  // namespace pelorin
