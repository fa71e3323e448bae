// Basis minimization: output files compared byte for byte, and a property test against the
// declarative description of the result (the first copy of every minimal vector stays).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// The output file that MinimizeBasis writes for the input `text`.
std::string Minimize(const std::string& text) {
  TempDir dir;
  WriteFile(dir / "h0", text);
  MinimizeBasis(dir / "h0", dir / "h");
  EXPECT_TRUE(test::Exists(dir / "h"));
  return ReadFile(dir / "h");
}

TEST(MinimizeBasis, RemovesVectorsAboveAKeptOne) {
  // 7 = (1,1,0), 3 = (1,1,1), 9 = (0,2,0): 3 lies above 7; 7 becomes 1, 9 becomes 2.
  EXPECT_EQ(Minimize("7 1 1\n7 2 1\n3 1 1\n3 2 1\n3 3 1\n9 2 2\n"), "1 1 1\n1 2 1\n2 2 2\n");
  // A smaller later vector removes an earlier one.
  EXPECT_EQ(Minimize("1 1 2\n1 2 1\n2 1 1\n2 2 1\n"), "1 1 1\n1 2 1\n");
}

TEST(MinimizeBasis, OfEqualVectorsTheFirstRowNumberStays) {
  // 5 and 2 are equal and 5 comes first, so 5 keeps its place before 4.
  EXPECT_EQ(Minimize("5 1 1\n4 2 1\n2 1 1\n"), "1 1 1\n2 2 1\n");
  // Equal after summing cells: 2 = (1+1-1, 0) and 8 = (1, 0); 2 stays before 4.
  EXPECT_EQ(Minimize("2 1 1\n2 1 1\n2 1 -1\n4 2 1\n8 1 1\n"), "1 1 1\n2 2 1\n");
}

TEST(MinimizeBasis, NumbersAndOrderOfTheOutput) {
  // Gaps in the row numbers vanish; columns are written as read, in order of first appearance
  // in the whole file (8 before 3 in every vector), not in numeric order.
  EXPECT_EQ(Minimize("10 8 2\n40 3 2\n40 8 1\n900 3 1\n900 3 2\n"), "1 8 2\n2 8 1\n2 3 2\n3 3 3\n");
  // Comment and blank lines, two-integer lines (value 1), zero cells are not written.
  EXPECT_EQ(Minimize("# basis\n\n6 4\n6 5 0\n \t\n1 5 3\n1 4 -1\n1 4 1\n"), "1 4 1\n2 5 3\n");
}

TEST(MinimizeBasis, NegativeComponentsAndTheZeroVector) {
  // 2 sums to the zero vector: it lies below 1 = (1, 0) but not below 3 = (-1, 5). It keeps the
  // number 1 and writes no line.
  EXPECT_EQ(Minimize("1 1 1\n2 1 1\n2 1 -1\n3 1 -1\n3 2 5\n"), "2 1 -1\n2 2 5\n");
  EXPECT_EQ(Minimize("# nothing\n\n"), "");  // an input without triples: an empty file
}

TEST(MinimizeBasis, Failures) {
  TempDir dir;
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n", [&] { MinimizeBasis(dir / "none", dir / "h"); });
  EXPECT_FALSE(test::Exists(dir / "h"));

  WriteFile(dir / "h0", "1 1 1\n");
  ExpectFail(2, "*** error open file " + (dir / "no/h") + "\n", [&] { MinimizeBasis(dir / "h0", dir / "no/h"); });

  // A failure while reading leaves an existing output as it was.
  WriteFile(dir / "h", "old\n");
  WriteFile(dir / "h0", "1 1 2147483647\n2 1 1\n1 1 1\n");
  ExpectFail(5, "*** integer overflow\n", [&] { MinimizeBasis(dir / "h0", dir / "h"); });
  EXPECT_EQ(ReadFile(dir / "h"), "old\n");
}

bool Below(const std::vector<int>& a, const std::vector<int>& b) {  // a <= b componentwise
  for (size_t c = 0; c < a.size(); ++c)
    if (a[c] > b[c]) return false;
  return true;
}

// Random vectors, some equal, some with negative components: the output holds the vectors that
// no other vector lies strictly below, each only at the first of its equal copies.
TEST(MinimizeBasis, KeepsTheFirstCopyOfEveryMinimalVector) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> size(1, 12), value(0, 3), percent(0, 99);
  for (int round = 0; round < 400; ++round) {
    const size_t columns = static_cast<size_t>(size(rng) % 4 + 1);
    const bool negatives = percent(rng) < 30;
    std::vector<std::vector<int>> vec(static_cast<size_t>(size(rng)), std::vector<int>(columns));
    std::string input, expected;
    for (size_t i = 0; i < vec.size(); ++i) {
      if (i > 0 && percent(rng) < 20) vec[i] = vec[static_cast<size_t>(size(rng)) % i];
      for (size_t c = 0; c < columns; ++c) {
        if (i == 0 || percent(rng) >= 20) vec[i][c] = negatives && percent(rng) < 15 ? -value(rng) : value(rng);
        // Row numbers with gaps, columns first seen in the order 9, 4, ...
        input += std::to_string(i * 7 + 3) + " " + std::to_string(9 - 5 * static_cast<int>(c)) + " " +
                 std::to_string(vec[i][c]) + "\n";
      }
    }
    int number = 0;
    for (size_t i = 0; i < vec.size(); ++i) {
      bool kept = true;
      for (size_t j = 0; j < vec.size() && kept; ++j)
        kept = j == i || !Below(vec[j], vec[i]) || (vec[j] == vec[i] && j > i);
      if (kept) ++number;
      for (size_t c = 0; c < columns && kept; ++c)
        if (vec[i][c] != 0) expected += std::to_string(number) + " " + std::to_string(9 - 5 * static_cast<int>(c)) + " " + std::to_string(vec[i][c]) + "\n";
    }
    ASSERT_EQ(Minimize(input), expected) << "input:\n" << input;
  }
}

}  // namespace
}  // namespace pelorin
