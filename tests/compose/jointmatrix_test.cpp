// Joint matrix of the subnets' bases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// Writes B.z and the bases B.i1, B.i2, ..., runs the stage and returns B.g.
std::string Joint(const TempDir& dir, const std::string& contacts, const std::vector<std::string>& bases) {
  const std::string base = dir / "m.spm";
  WriteFile(base + ".z", contacts);
  for (size_t i = 0; i < bases.size(); ++i) WriteFile(base + ".i" + std::to_string(i + 1), bases[i]);
  ComposeJointMatrix(base);
  return ReadFile(base + ".g");
}

TEST(ComposeJointMatrix, ChainOfTwoTransitions) {
  TempDir dir;
  EXPECT_EQ(Joint(dir, "2\n2 2 1\n", {"1 1 1\n1 2 1\n", "1 2 1\n1 3 1\n"}), "1 1 1\n2 2 1\n2 3 1\n");
}

TEST(ComposeJointMatrix, ContactPlaceTakesItsValueFromTheConsumingSubnet) {
  TempDir dir;
  // Place 5: consumed by subnet 1, produced by subnet 2. Place 4 of subnet 1 and places 6 and 7
  // of subnet 2 are no contact places.
  EXPECT_EQ(Joint(dir, "2\n5 1 2\n", {"1 5 2\n1 4 1\n2 4 3\n", "1 5 1\n1 6 1\n2 5 1\n2 7 2\n"}),
            "1 5 2\n1 4 1\n2 4 3\n3 6 1\n4 7 2\n");
}

TEST(ComposeJointMatrix, RowsAreNumberedLikeTheUnknowns) {
  TempDir dir;
  // Gaps reserve numbers, an empty basis moves nothing, and without contact places every line is
  // copied.
  EXPECT_EQ(Joint(dir, "3\n", {"1 1 1\n3 2 1\n", "", "2 4 1\n1 5 1\n"}), "1 1 1\n3 2 1\n5 4 1\n4 5 1\n");
}

TEST(ComposeJointMatrix, OnlyEntriesWithAConsumingSubnetLeaveLinesOut) {
  TempDir dir;
  // The entry of place 8 names no consuming subnet, so subnet 1 keeps its line; comments, blank
  // lines and a line of two integers (value 1) are read as in every matrix file.
  EXPECT_EQ(Joint(dir, "2\n# contacts\n8 0 1\n\n9 2 1\n", {"1 8 4\n1 9 2\n", "# basis\n1 9\n"}), "1 8 4\n2 9 1\n");
}

TEST(ComposeJointMatrix, Failures) {
  TempDir dir;
  const std::string base = dir / "m.spm";
  ExpectFail(2, "*** error open file " + base + ".z\n", [&] { ComposeJointMatrix(base); });

  WriteFile(base + ".z", "2\n");
  WriteFile(base + ".i1", "1 1 1\n");
  ExpectFail(2, "*** error open file " + base + ".i2\n", [&] { ComposeJointMatrix(base); });

  WriteFile(base + ".i1", "2147483647 1 1\n");
  WriteFile(base + ".i2", "1 1 1\n");
  ExpectFail(5, "*** integer overflow\n", [&] { ComposeJointMatrix(base); });
}

}  // namespace
}  // namespace pelorin
