// Reading sparse matrix files: line kinds, numbers, the dense load.
#include "matrix/spm.h"

#include <map>

#include "matrix/textfile.h"
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

TEST(ReadLine, LastLineWithoutLineFeedAndLongLines) {
  TempDir dir;
  const std::string longLine(10000, '7');
  WriteFile(dir / "f", "a\n" + longLine + "\nend");
  File file = OpenFile(dir / "f", "r");
  std::string line;
  ASSERT_TRUE(ReadLine(file.get(), line));
  EXPECT_EQ(line, "a\n");
  ASSERT_TRUE(ReadLine(file.get(), line));
  EXPECT_EQ(line, longLine + "\n");
  ASSERT_TRUE(ReadLine(file.get(), line));
  EXPECT_EQ(line, "end");
  EXPECT_FALSE(ReadLine(file.get(), line));
}

// Lines with NUL bytes read as through a 4096-byte buffer taken as C strings: each piece of a
// line counts up to its first NUL, and a line whose last piece loses its line feed runs on into
// the next. ReadLine and LineReader (after a first line taken by ReadLine, as the readers of
// files with a header do) against that reading, on random texts of short and long lines (some
// beyond the reader's buffer), NULs and a last line with or without a line feed.
TEST(ReadLine, NulBytesCutTheirPieceOfTheLine) {
  auto reference = [](std::FILE* file, std::string& line) {
    line.clear();
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
      line += chunk;
      if (!line.empty() && line.back() == '\n') return true;
    }
    return !line.empty();
  };
  uint32_t state = 11;
  auto next = [&](uint32_t bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % bound;
  };
  for (int round = 0; round < 60; ++round) {
    std::string text;
    for (uint32_t l = 0, lines = 1 + next(6); l < lines; ++l) {
      const uint32_t kind = next(12), length = kind == 0 ? 65000 + next(140000) : kind < 4 ? 4090 + next(8200) : next(20);
      for (uint32_t k = 0; k < length; ++k) text += next(40) == 0 ? '\0' : static_cast<char>('a' + next(3));
      if (l + 1 < lines || next(2) == 0) text += '\n';
    }
    TempDir dir;
    WriteFile(dir / "f", text);
    File ours = OpenFile(dir / "f", "r"), buffered = OpenFile(dir / "f", "r"), theirs = OpenFile(dir / "f", "r");
    std::string a, b, first;
    ReadLine(buffered.get(), first);
    LineReader reader(buffered.get());
    std::string_view c;
    for (bool firstLine = true;; firstLine = false) {
      const bool more = ReadLine(ours.get(), a);
      ASSERT_EQ(more, reference(theirs.get(), b)) << round;
      ASSERT_EQ(firstLine ? !first.empty() : reader.Next(c), more) << round;
      if (!more) break;
      ASSERT_EQ(a, b) << round;
      ASSERT_EQ(firstLine ? first : std::string(c), b) << round;
    }
  }
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

}  // namespace
}  // namespace pelorin
