// The contact place list and the sequence file, through files.
#include "matrix/subnetfiles.h"

#include "support/testutil.h"

namespace pelorin {
namespace {

TEST(FusionSets, NextFSNReadsBlankSeparatedNumbers) {
  const std::string line = "  7\t12  \n";
  EXPECT_EQ(NextFSN(line, 1), 7);
  EXPECT_EQ(NextFSN(line, 2), 12);
  EXPECT_EQ(NextFSN(line, 3), 0);
  EXPECT_EQ(NextFSN(line, 0), 0);
  EXPECT_EQ(NextFSN("1 2\n", 2), 2);
  EXPECT_EQ(NextFSN("", 1), 0);
  EXPECT_EQ(NextFSN("x 5", 1), 0);  // a word that is no number
  EXPECT_EQ(NextFSN("x 5", 2), 5);
  EXPECT_EQ(FusionMembers(line), (std::vector<int>{7, 12}));
  EXPECT_EQ(FusionMembers("x -3 4y\n"), (std::vector<int>{0, -3, 4}));
  EXPECT_TRUE(FusionMembers(" \t\n").empty());
}

TEST(FusionSets, ReadFusionSetCopiesTheLineOfTheStep) {
  TempDir dir;
  WriteFile(dir / "t", "1 2\n3 4\n1 3");
  std::string buffer = "before";
  ReadFusionSet(dir / "t", 2, buffer);
  EXPECT_EQ(buffer, "3 4\n");
  ReadFusionSet(dir / "t", 3, buffer);
  EXPECT_EQ(buffer, "1 3");
  ReadFusionSet(dir / "t", 0, buffer);  // a step below 1 reads the first line
  EXPECT_EQ(buffer, "1 2\n");
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n", [&] { ReadFusionSet(dir / "none", 1, buffer); });
}

// A sequence file that ends before the step ends the run rather than leaving the line of an
// earlier step in the buffer.
TEST(FusionSets, ShortSequenceFileEndsTheRun) {
  TempDir dir;
  WriteFile(dir / "t", "1 2\n3 4\n");
  std::string buffer = "3 4\n";
  ExpectFail(2, "*** unexpected end of sequence file\n", [&] { ReadFusionSet(dir / "t", 3, buffer); });
  EXPECT_EQ(buffer, "3 4\n");
  WriteFile(dir / "empty", "");
  EXPECT_EQ(ExpectFailure([&] { ReadFusionSet(dir / "empty", 1, buffer); }).message, "*** unexpected end of sequence file\n");
}

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
