// Composition system and unit solutions written from contact place lists and subnet bases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/stagefiles.h"
#include "support/subnetfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

struct System {
  std::string s, u;
  bool operator==(const System&) const = default;
};

std::ostream& operator<<(std::ostream& out, const System& system) {
  return out << "s:\n" << system.s << "u:\n" << system.u;
}

// Writes B.z and the bases B.i1, B.i2, ..., runs the stage and returns B.s and B.u.
System Compose(const TempDir& dir, const std::string& contacts, const std::vector<std::string>& bases) {
  const std::string base = dir / "m.spm";
  WriteFile(base + ".z", contacts);
  for (size_t i = 0; i < bases.size(); ++i) WriteFile(base + ".i" + std::to_string(i + 1), bases[i]);
  CreateCompositionSystem(base);
  return {ReadFile(base + ".s"), ReadFile(base + ".u")};
}

TEST(CreateCompositionSystem, ChainOfTwoTransitions) {
  TempDir dir;
  EXPECT_EQ(Compose(dir, "2\n2 2 1\n", {"1 1 1\n1 2 1\n", "1 2 1\n1 3 1\n"}), (System{"1 2 1\n2 2 -1\n", ""}));
}

TEST(CreateCompositionSystem, UnknownsWithoutEquationGetUnitSolutions) {
  TempDir dir;
  // Place 5 is consumed by subnet 1 and produced by subnet 2; unknowns 2 and 3 do not touch it.
  EXPECT_EQ(Compose(dir, "2\n5 1 2\n", {"1 5 2\n2 4 1\n", "1 6 1\n2 5 1\n"}),
            (System{"1 5 -2\n4 5 1\n", "1 2 1\n2 3 1\n"}));
}

TEST(CreateCompositionSystem, WithoutContactPlacesEveryUnknownIsAUnitSolution) {
  TempDir dir;
  EXPECT_EQ(Compose(dir, "2\n", {"1 1 1\n2 2 1\n", "1 3 1\n"}), (System{"", "1 1 1\n2 2 1\n3 3 1\n"}));
}

TEST(CreateCompositionSystem, SolutionNumbersWithGapsReserveUnknowns) {
  TempDir dir;
  EXPECT_EQ(Compose(dir, "2\n2 2 1\n", {"1 1 1\n3 2 1\n", "1 2 1\n"}), (System{"3 2 1\n4 2 -1\n", "1 1 1\n2 2 1\n"}));
}

TEST(CreateCompositionSystem, EmptyBasisAddsNoUnknowns) {
  TempDir dir;
  // Subnet 1 has no solution: place 5, which it produces, appears from its consuming side only.
  EXPECT_EQ(Compose(dir, "3\n5 2 1\n6 3 2\n", {"", "1 5 3\n1 6 1\n", "1 6 1\n"}),
            (System{"1 5 -3\n1 6 1\n2 6 -1\n", ""}));
}

TEST(CreateCompositionSystem, LinesFollowBasisOrderThenContactOrder) {
  TempDir dir;
  // Place 7 is listed twice, and an entry may name one subnet on both sides: every matching entry
  // writes, consuming side first, in the order of the list.
  EXPECT_EQ(Compose(dir, "2\n7 2 1\n7 1 2\n8 1 1\n", {"1 8 2\n1 7 3\n", "1 7 1\n"}),
            (System{"1 8 -2\n1 8 2\n1 7 3\n1 7 -3\n2 7 -1\n2 7 1\n", ""}));
}

TEST(CreateCompositionSystem, CommentsBlankLinesAndOutsiders) {
  TempDir dir;
  // Comments and blank lines are skipped; an entry whose subnets lie outside 1..n and a basis
  // place that is no contact place contribute nothing; two integers mean the value 1.
  EXPECT_EQ(Compose(dir, "2 subnets\n# contacts\n\n2 2 1\n9 3 4\n", {"# basis\n1 1 1\n\n1 2\n", "1 2 1\n1 9 1\n"}),
            (System{"1 2 1\n2 2 -1\n", ""}));
  // A first line without a number means no subnets; no basis is read.
  EXPECT_EQ(Compose(dir, "# none\n1 1 1\n", {}), (System{"", ""}));
}

TEST(CreateCompositionSystem, Failures) {
  TempDir dir;
  const std::string base = dir / "m.spm";
  ExpectFail(2, "*** error open file " + base + ".z\n", [&] { CreateCompositionSystem(base); });

  WriteFile(base + ".z", "2\n");
  WriteFile(base + ".i1", "1 1 1\n");
  ExpectFail(2, "*** error open file " + base + ".i2\n", [&] { CreateCompositionSystem(base); });

  WriteFile(base + ".i1", "2147483647 1 1\n");
  WriteFile(base + ".i2", "1 1 1\n");
  ExpectFail(5, "*** integer overflow\n", [&] { CreateCompositionSystem(base); });

  WriteFile(base + ".z", "2\n5 1 2\n");
  WriteFile(base + ".i1", "1 5 -2147483648\n");
  ExpectFail(5, "*** integer overflow\n", [&] { CreateCompositionSystem(base); });

  WriteFile(base + ".z", "1\n5 x 2\n");
  ExpectFail(4, "*** malformed line 2 in file " + base + ".z\n", [&] { CreateCompositionSystem(base); });
}

// The contact place list as the file forms of the composition stages read it.
TEST(ContactLists, FirstLineAsItStandsThenElementLines) {
  TempDir dir;
  WriteFile(dir / "z", "# 3\n# not skipped above\n\n5 1 2\n6 2\n");
  ContactList list = ReadContactList(dir / "z");
  EXPECT_EQ(list.subnets, 0);  // line 1 is no number
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[0].place, 5);
  EXPECT_EQ(list.entries[0].consuming, 1);
  EXPECT_EQ(list.entries[0].producing, 2);
  EXPECT_EQ(list.entries[1].producing, 1);  // two integers: the third is 1
  WriteFile(dir / "z", "2\n5 1 2\nx 1 2\n");
  ExpectFail(4, "*** malformed line 3 in file " + (dir / "z") + "\n", [&] { ReadContactList(dir / "z"); });
}

}  // namespace
}  // namespace pelorin
