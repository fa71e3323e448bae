// Completion of the composition system's solutions by the unit solutions.
#include <gtest/gtest.h>

#include <string>

#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

std::string Complete(const TempDir& dir, const std::string& solutions, const std::string& units) {
  WriteFile(dir / "m.r0", solutions);
  WriteFile(dir / "m.u", units);
  AddUnitSolutions(dir / "m.r0", dir / "m.u", dir / "m.r");
  return ReadFile(dir / "m.r");
}

TEST(AddUnitSolutions, UnitSolutionsAreNumberedAfterTheLargestSolution) {
  TempDir dir;
  EXPECT_EQ(Complete(dir, "", "1 4 1\n2 7 1\n"), "1 4 1\n2 7 1\n");
  EXPECT_EQ(Complete(dir, "1 1 1\n2 2 1\n3 1 2\n", ""), "1 1 1\n2 2 1\n3 1 2\n");
  EXPECT_EQ(Complete(dir, "1 1 1\n1 4 2\n2 3 1\n", "1 2 1\n"), "1 1 1\n1 4 2\n2 3 1\n3 2 1\n");
  // The largest number counts, not the last one; the first field of a unit line is not used.
  EXPECT_EQ(Complete(dir, "5 1 1\n2 2 1\n", "1 3 1\n1 4 1\n"), "5 1 1\n2 2 1\n6 3 1\n7 4 1\n");
  EXPECT_EQ(Complete(dir, "", ""), "");
}

TEST(AddUnitSolutions, CommentsAndBlankLinesAreSkipped) {
  TempDir dir;
  EXPECT_EQ(Complete(dir, "# solutions\n\n1 1 1\n1 2\n", "# units\n  \n1 3 1"), "1 1 1\n1 2 1\n2 3 1\n");
}

TEST(AddUnitSolutions, ResultMayReplaceAnInput) {
  TempDir dir;
  WriteFile(dir / "m.r0", "1 1 1\n");
  WriteFile(dir / "m.u", "1 2 1\n");
  AddUnitSolutions(dir / "m.r0", dir / "m.u", dir / "m.r0");
  EXPECT_EQ(ReadFile(dir / "m.r0"), "1 1 1\n2 2 1\n");
}

TEST(AddUnitSolutions, Failures) {
  TempDir dir;
  ExpectFail(2, "*** error open file " + (dir / "m.r0") + "\n",
             [&] { AddUnitSolutions(dir / "m.r0", dir / "m.u", dir / "m.r"); });
  EXPECT_FALSE(test::Exists(dir / "m.r"));

  WriteFile(dir / "m.r0", "1 1 1\n");
  ExpectFail(2, "*** error open file " + (dir / "m.u") + "\n",
             [&] { AddUnitSolutions(dir / "m.r0", dir / "m.u", dir / "m.r"); });

  WriteFile(dir / "m.u", "1 2 1\n");
  ExpectFail(2, "*** error open file " + (dir / "none/m.r") + "\n",
             [&] { AddUnitSolutions(dir / "m.r0", dir / "m.u", dir / "none/m.r"); });

  WriteFile(dir / "m.r0", "2147483647 1 1\n");
  ExpectFail(5, "*** integer overflow\n", [&] { AddUnitSolutions(dir / "m.r0", dir / "m.u", dir / "m.r"); });
}

}  // namespace
}  // namespace pelorin
