// Invariant listing: the report text compared byte for byte, name table syntax, output modes.
#include "report/writeinv.h"

#include <gtest/gtest.h>

#include <string>

#include "support/testutil.h"

namespace pelorin {
namespace {

constexpr bool kFull = true, kDigest = false;

// The text that WriteInv appends to a new output file.
std::string List(const std::string& table, const std::string& solutions, bool full) {
  TempDir dir;
  WriteFile(dir / "t", table);
  WriteFile(dir / "s", solutions);
  EXPECT_EQ(WriteInv(dir / "t", dir / "s", dir / "out", full), 0);
  return ReadFile(dir / "out");
}

const char* const kTable = "1 p1\n2 p2\n3 {p 3}\n4 p4\n";

TEST(WriteInv, SemiflowsByNameOrTheirNumber) {
  const std::string solutions = "1 1 1\n1 2 1\n2 3 2\n2 4 1\n";
  EXPECT_EQ(List(kTable, solutions, kFull), "\np1 p2 \n{p 3}*2 p4 \n\n");
  EXPECT_EQ(List(kTable, solutions, kDigest), "\n2 semiflow(s)\n\n");
  // Coefficients above 1 get their weight; the order of the lines is kept.
  EXPECT_EQ(List(kTable, "1 4 3\n1 1 1\n1 2 12\n", kFull), "\np4*3 p1 p2*12 \n\n");
}

TEST(WriteInv, NoSolutions) {
  for (const char* empty : {"", "# none\n\n \t\r\n"}) {
    EXPECT_EQ(List(kTable, empty, kFull), "\nno semiflows\n\n");
    EXPECT_EQ(List(kTable, empty, kDigest), "\n0 semiflow(s)\n\n");
  }
}

TEST(WriteInv, GroupingFollowsTheSolutionNumbers) {
  // The digest count is the last solution number read; a new line starts whenever it changes.
  EXPECT_EQ(List(kTable, "1 1 1\n1 2 1\n5 3 1\n", kDigest), "\n5 semiflow(s)\n\n");
  EXPECT_EQ(List(kTable, "#1 1 1\n2 1\n\n2 4 2\n1 2 1\n", kFull), "\np1 p4*2 \np2 \n\n");
}

TEST(WriteInv, ADigestGivesTheCountWithoutReadingTheFile) {
  TempDir dir;
  WriteFile(dir / "t", kTable);
  WriteFile(dir / "s", "1 1 1\n1 2 1\n2 3 2\n2 4 1\n");
  auto list = [&](bool full, size_t last) {
    std::remove((dir / "out").c_str());
    const SolutionDigest digest{last, {1, 2, 3, 4}};
    EXPECT_EQ(WriteInv(dir / "t", dir / "s", dir / "out", full, true, &digest), 0);
    return ReadFile(dir / "out");
  };
  EXPECT_EQ(list(kDigest, 2), "\n2 semiflow(s)\n\n");
  EXPECT_EQ(list(kDigest, 0), "\n0 semiflow(s)\n\n");
  // the listing reads the file; so does a count beyond 32 bits, which the file cannot number
  EXPECT_EQ(list(kFull, 7), "\np1 p2 \n{p 3}*2 p4 \n\n");
  EXPECT_EQ(list(kDigest, size_t{1} << 31), "\n2 semiflow(s)\n\n");
  // the files are opened as without a digest
  const SolutionDigest digest{2, {}};
  ExpectFail(2, "*** error open file " + (dir / "gone") + "\n",
             [&] { WriteInv(dir / "t", dir / "gone", dir / "out", kDigest, true, &digest); });
}

TEST(WriteInv, NameTableSyntax) {
  const std::string table =
      "# 1 commented\n"
      "1 {a b}\n"        // braced: blank kept
      "2 ab*c\n"         // plain: stops at "*"
      "\n"
      "  3\t x*y {z}\n"  // leading blanks; the name after the blanks
      "4 {x\\}y} tail\n" // an escaped brace does not end the name
      "5 {u\\\\}v}\n"    // an escaped backslash escapes nothing
      "6 {open\n"        // a brace left open runs to the line end
      "7\n"              // no name
      "8 q\r\n"          // the carriage return is no part of the name
      "9x w\n"           // the word of the number is skipped whole
      "10 old\n"
      "10 new\n";        // the later line wins
  const std::string solutions = "1 1 1\n1 2 2\n1 3 1\n1 4 1\n1 5 1\n1 6 1\n1 7 1\n1 8 1\n1 9 1\n1 10 1\n";
  EXPECT_EQ(List(table, solutions, kFull), "\n{a b} ab*2 x {x\\}y} {u\\\\} {open  q w new \n\n");
}

TEST(WriteInv, UndefinedElementNumbers) {
  EXPECT_EQ(List("1 p1\n", "1 7 1\n1 1 1\n2 -3 4\n2 0 1\n", kFull), "\n#7 p1 \n#-3*4 #0 \n\n");
}

TEST(WriteInv, LargeTablesAndLongNames) {
  // Thousands of names, one of them longer than any line buffer, listed backwards.
  auto name = [](int i) { return i == 2500 ? "{" + std::string(6000, 'n') + "}" : "e" + std::to_string(i); };
  std::string table, solutions, expected = "\n";
  for (int i = 1; i <= 5000; ++i) {
    table += std::to_string(i) + " " + name(i) + "\n";
    solutions += "1 " + std::to_string(5001 - i) + " 1\n";
    expected += name(5001 - i) + " ";
  }
  EXPECT_EQ(List(table, solutions, kFull), expected + "\n\n");
}

TEST(WriteInv, AppendsToTheOutput) {
  TempDir dir;
  WriteFile(dir / "t", kTable);
  WriteFile(dir / "s", "1 3 1\n");
  WriteFile(dir / "out", "report so far\n");
  EXPECT_EQ(WriteInv(dir / "t", dir / "s", dir / "out", kFull), 0);
  EXPECT_EQ(WriteInv(dir / "t", dir / "s", dir / "out", kDigest), 0);
  EXPECT_EQ(ReadFile(dir / "out"), "report so far\n\n{p 3} \n\n\n1 semiflow(s)\n\n");
}

TEST(WriteInv, DashIsStandardOutput) {
  TempDir dir;
  WriteFile(dir / "t", kTable);
  WriteFile(dir / "s", "1 2 2\n");
  testing::internal::CaptureStdout();
  const int result = WriteInv(dir / "t", dir / "s", "-", kFull);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\np2*2 \n\n");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(test::ListFiles(dir.path()), (std::vector<std::string>{"s", "t"}));
}

TEST(WriteInv, Failures) {
  TempDir dir;
  WriteFile(dir / "t", kTable);
  WriteFile(dir / "s", "1 1 1\n");
  // Open order: table, solutions, output.
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n",
             [&] { WriteInv(dir / "none", dir / "gone", dir / "no/out", kFull); });
  ExpectFail(2, "*** error open file " + (dir / "gone") + "\n",
             [&] { WriteInv(dir / "t", dir / "gone", dir / "no/out", kFull); });
  ExpectFail(2, "*** error open file " + (dir / "no/out") + "\n",
             [&] { WriteInv(dir / "t", dir / "s", dir / "no/out", kFull); });
}

}  // namespace
}  // namespace pelorin
