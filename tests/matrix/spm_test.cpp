// Sparse matrix files: line kinds, numbers, the dense load, the index lists and the transpose
// of a file.
#include "matrix/spm.h"

#include <map>

#include "matrix/textfile.h"
#include "support/matrixfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

std::vector<Element> Read(const std::string& text, CommentRule rule = CommentRule::kHash) {
  TempDir dir;
  WriteFile(dir / "m", text);
  return ReadElementsFile(dir / "m", rule);
}

std::string Show(const std::vector<Element>& elements) {
  std::string s;
  for (const Element& e : elements)
    s += std::to_string(e.row) + "," + std::to_string(e.col) + "," + std::to_string(e.value) + ";";
  return s;
}

TEST(SpmLines, CommentsBlanksAndTwoIntegerLines) {
  EXPECT_EQ(Show(Read("# c\n\n \t\r\n1 2 3\n#x y\n7 2\n-4 +5 -6")), "1,2,3;7,2,1;-4,5,-6;");
  EXPECT_EQ(Show(Read("1 2 x\n")), "1,2,1;");  // a third word that is no number: value 1
  EXPECT_EQ(Show(Read("; c\n1 1 1\n", CommentRule::kHashOrSemicolon)), "1,1,1;");
  EXPECT_EQ(Show(Read("; c\n1 1 1\n", CommentRule::kSemicolon)), "1,1,1;");
}

TEST(SpmLines, MalformedLinesAreRejected) {
  for (const char* text : {"1 2 3\n #x\n", "1 2 3\n1\n", "1 2 3\nx 1 2\n", "1 2 3\n# ok\n1,2,3\n"}) {
    TempDir dir;
    WriteFile(dir / "m", text);
    Failure f = ExpectFailure([&] { ReadElementsFile(dir / "m"); });
    EXPECT_EQ(f.code, 4) << text;
    EXPECT_EQ(f.message.rfind("*** malformed line ", 0), 0u) << text;
  }
  TempDir dir;
  WriteFile(dir / "m", "# ok\n1 2 3\n; no comment here\n");
  EXPECT_EQ(ExpectFailure([&] { ReadElementsFile(dir / "m"); }).message,
            "*** malformed line 3 in file " + (dir / "m") + "\n");
  WriteFile(dir / "g", "# no comment here\n");
  EXPECT_EQ(ExpectFailure([&] { ReadElementsFile(dir / "g", CommentRule::kSemicolon); }).code, 4);
}

TEST(SpmLines, NumbersAtTheEdgesOf32Bits) {
  EXPECT_EQ(Show(Read("2147483647 -2147483648 1\n")), "2147483647,-2147483648,1;");
  for (const char* text : {"2147483648 1 1\n", "1 -2147483649 1\n", "1 1 99999999999999999999\n"}) {
    Failure f = ExpectFailure([&] { Read(text); });
    EXPECT_EQ(f.code, 5) << text;
    EXPECT_EQ(f.message, "*** integer overflow\n");
  }
}

TEST(DenseLoad, OrderOfFirstAppearanceAndSummedCells) {
  DenseMatrix m = LoadDense(Read("5 3 1\n2 3 -1\n5 3 2\n2 9 0\n1 2 -1\n1 2 1\n"), "rows,cols,C");
  EXPECT_EQ(m.rows.ids, (std::vector<int32_t>{5, 2, 1}));
  EXPECT_EQ(m.cols.ids, (std::vector<int32_t>{3, 9, 2}));
  EXPECT_EQ(m.cells, (std::vector<int32_t>{3, 0, 0, -1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(m.rows.Find(7), -1);
}

TEST(DenseLoad, EmptyMatrixAndOverflowingCell) {
  DenseMatrix empty = LoadDense(Read("# only a comment\n"), "rows,cols,C");
  EXPECT_EQ(empty.rows.size(), 0u);
  EXPECT_TRUE(empty.cells.empty());
  Failure f = ExpectFailure([&] { LoadDense(Read("1 1 2147483647\n1 1 1\n"), "A"); });
  EXPECT_EQ(f.code, 5);
}

// Positions by first appearance whatever the ids: negative, small, huge, and ids that were large
// when first met and are covered by the growing table later.
TEST(IndexList, PositionsByFirstAppearance) {
  IndexList list;
  std::map<int32_t, int32_t> expected;
  uint32_t state = 7;
  for (int k = 0; k < 20000; ++k) {
    state = state * 1103515245u + 12345u;
    const uint32_t r = state >> 8;
    const int32_t id = k % 7 == 0 ? -static_cast<int32_t>(r % 50) : k % 5 == 0 ? static_cast<int32_t>(r) : static_cast<int32_t>(r % 30000);
    const auto [it, inserted] = expected.try_emplace(id, static_cast<int32_t>(expected.size()));
    ASSERT_EQ(list.Add(id), it->second) << id;
    if (inserted) {
      EXPECT_EQ(list.ids.back(), id);
    }
  }
  EXPECT_EQ(list.size(), expected.size());
  for (const auto& [id, position] : expected) EXPECT_EQ(list.Find(id), position);
  EXPECT_EQ(list.Find(29999 + 1), -1);
  EXPECT_EQ(list.Find(INT32_MIN), -1);
}

// The file form of the transposition.
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
  ExpectFail(4, "*** malformed line 2 in file " + (dir / "m") + "\n", [&] { TransposeMatrix(dir / "m", dir / "t"); });
}

}  // namespace
}  // namespace pelorin
