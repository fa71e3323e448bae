// Line utilities, file copy and transposition, through files.
#include "matrix/uti.h"

#include "support/testutil.h"

namespace pelorin {
namespace {

using test::ExpectFailure;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(LineUtilities, BlanksAreTheFourCharactersOnly) {
  EXPECT_EQ(isempty(""), 1);
  EXPECT_EQ(isempty("\n"), 1);
  EXPECT_EQ(isempty(" \t\r\n"), 1);
  EXPECT_EQ(isempty(" \v\n"), 0);  // vertical tab is an ordinary character
  EXPECT_EQ(isempty(" x"), 0);

  const std::string line = "ab \t";
  EXPECT_EQ(IsSpace(line, 2), 1);
  EXPECT_EQ(IsSpace(line, 4), 1);  // the end of the line counts as a blank
  EXPECT_EQ(IsSpace(line, 0), 0);
  size_t pos = 2;
  SwallowSpace(line, pos);
  EXPECT_EQ(pos, 4u);
  SwallowSpace(line, pos);  // at the end of the line the position stays
  EXPECT_EQ(pos, 4u);
}

TEST(CopyFile, ReplacesOrAppends) {
  TempDir dir;
  WriteFile(dir / "a", "1 2 3\nlast line without line feed");
  WriteFile(dir / "b", "old\n");
  EXPECT_EQ(CopyFile(dir / "a", dir / "b", "w"), 0);
  EXPECT_EQ(ReadFile(dir / "b"), "1 2 3\nlast line without line feed");

  WriteFile(dir / "c", "first\n");
  CopyFile(dir / "c", dir / "d", "a");  // appending creates a missing target
  CopyFile(dir / "c", dir / "d", "a");
  EXPECT_EQ(ReadFile(dir / "d"), "first\nfirst\n");
}

TEST(CopyFile, LongLinesAreCopiedUnchanged) {
  TempDir dir;
  const std::string longLine(100000, 'x');
  WriteFile(dir / "a", longLine + "\n");
  CopyFile(dir / "a", dir / "b", "w");
  EXPECT_EQ(ReadFile(dir / "b"), longLine + "\n");
}

TEST(CopyFile, MissingSourceOrTargetDirectory) {
  TempDir dir;
  Failure f = ExpectFailure([&] { CopyFile(dir / "none", dir / "b", "w"); });
  EXPECT_EQ(f.code, 2);
  EXPECT_EQ(f.message, "*** error open file " + (dir / "none") + "\n");
  WriteFile(dir / "a", "x\n");
  f = ExpectFailure([&] { CopyFile(dir / "a", dir / "no/such", "w"); });
  EXPECT_EQ(f.message, "*** error open file " + (dir / "no/such") + "\n");
}

TEST(TransposeMatrix, SwapsRowAndColumnKeepingEveryLine) {
  TempDir dir;
  WriteFile(dir / "m", "# incidence\n3 7 -2\n\n  1   2   5  9\n1 2 -5\n4 4\n \t\n#end");
  TransposeMatrix(dir / "m", dir / "t");
  EXPECT_EQ(ReadFile(dir / "t"), "# incidence\n7 3 -2\n\n2 1 5\n2 1 -5\n4 4 1\n \t\n#end\n");
}

TEST(TransposeMatrix, CommentsOnlyGiveTheSameFile) {
  TempDir dir;
  WriteFile(dir / "m", "# a\n# b\n");
  TransposeMatrix(dir / "m", dir / "t");
  EXPECT_EQ(ReadFile(dir / "t"), "# a\n# b\n");
}

TEST(TransposeMatrix, MalformedLineNamesFileAndLine) {
  TempDir dir;
  WriteFile(dir / "m", "1 2 3\n  # not a comment\n");
  Failure f = ExpectFailure([&] { TransposeMatrix(dir / "m", dir / "t"); });
  EXPECT_EQ(f.code, 4);
  EXPECT_EQ(f.message, "*** malformed line 2 in file " + (dir / "m") + "\n");
}

}  // namespace
}  // namespace pelorin
