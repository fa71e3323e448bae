// Text files: reading lines of any length, and copying a file.
#include "matrix/textfile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "support/testutil.h"

namespace pelorin {
namespace {

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

TEST(CopyFile, ReplacesOrAppends) {
  TempDir dir;
  WriteFile(dir / "a", "1 2 3\nlast line without line feed");
  WriteFile(dir / "b", "old\n");
  CopyFile(dir / "a", dir / "b", "w");
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
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n", [&] { CopyFile(dir / "none", dir / "b", "w"); });
  WriteFile(dir / "a", "x\n");
  EXPECT_EQ(ExpectFailure([&] { CopyFile(dir / "a", dir / "no/such", "w"); }).message, "*** error open file " + (dir / "no/such") + "\n");
}

}  // namespace
}  // namespace pelorin
