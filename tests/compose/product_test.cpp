// Sparse matrix product: examples through files, and a property test against the dense
// term-by-term product with its overflow rule, through files and in memory (where a limit on
// the lines of the product stops it).
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "compose/product.h"
#include "support/randommatrix.h"
#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

std::string Multiply(const TempDir& dir, const std::string& a, const std::string& b) {
  WriteFile(dir / "a", a);
  WriteFile(dir / "b", b);
  MultiplySPM(dir / "a", dir / "b", dir / "p");
  return ReadFile(dir / "p");
}

TEST(MultiplySPM, MatchesColumnsOfAWithRowsOfBByIndex) {
  TempDir dir;
  EXPECT_EQ(Multiply(dir, "1 1 2\n1 2 3\n", "1 7 1\n2 7 1\n2 9 4\n"), "1 7 5\n1 9 12\n");
  EXPECT_EQ(Multiply(dir, "5 3 1\n", "3 8 2\n"), "5 8 2\n");
  // Column 4 of A and row 5 of B find no partner.
  EXPECT_EQ(Multiply(dir, "1 4 1\n2 3 1\n", "3 6 1\n5 6 7\n"), "2 6 1\n");
  EXPECT_EQ(Multiply(dir, "-3 0 2\n", "0 -8 -1\n"), "-3 -8 -2\n");
}

TEST(MultiplySPM, OutputFollowsFirstAppearance) {
  TempDir dir;
  EXPECT_EQ(Multiply(dir, "9 1 1\n2 1 2\n", "1 4 1\n1 1 3\n"), "9 4 1\n9 1 3\n2 4 2\n2 1 6\n");
}

TEST(MultiplySPM, CellsAddUpAndZeroesAreNotWritten) {
  TempDir dir;
  // "2 3" is the value 1; the two lines of cell (1, 3) cancel; row 4 sums to 0 in column 7.
  EXPECT_EQ(Multiply(dir, "# A\n2 3\n\n1 3 2\n1 3 -2\n4 3 1\n4 5 -1\n", "3 7 1\n5 7 1\n3 8 2\n"),
            "2 7 1\n2 8 2\n4 8 2\n");
}

TEST(MultiplySPM, EmptyInputsGiveAnEmptyProduct) {
  TempDir dir;
  EXPECT_EQ(Multiply(dir, "", "1 1 1\n"), "");
  EXPECT_EQ(Multiply(dir, "1 1 1\n", "# nothing\n"), "");
}

TEST(MultiplySPM, ProductMayReplaceAnInput) {
  TempDir dir;
  WriteFile(dir / "a", "1 1 2\n");
  WriteFile(dir / "b", "1 2 3\n");
  MultiplySPM(dir / "a", dir / "b", dir / "a");
  EXPECT_EQ(ReadFile(dir / "a"), "1 2 6\n");
}

TEST(MultiplySPM, OverflowFollowsTheOrderOfTheColumnsOfA) {
  TempDir dir;
  const std::string b = "1 1 1\n2 1 1\n3 1 1\n";
  // Columns in the order 3, 2, 1: -1, 0, 2147483647 are the partial sums.
  EXPECT_EQ(Multiply(dir, "1 3 -1\n1 2 1\n1 1 2147483647\n", b), "1 1 2147483647\n");
  // Columns in the order 1, 2, 3: the second partial sum leaves 32 bits.
  ExpectFail(5, "*** integer overflow\n", [&] { Multiply(dir, "1 1 2147483647\n1 2 1\n1 3 -1\n", b); });
  // A term that leaves 32 bits, after elements that fit.
  Failure term = ExpectFailure([&] { Multiply(dir, "1 1 1\n2 1 65536\n", "1 2 1\n1 1 65536\n1 3 1\n"); });
  EXPECT_EQ(term.code, 5);
  // A cell of an input summed beyond 32 bits.
  Failure cell = ExpectFailure([&] { Multiply(dir, "1 1 1\n", "1 1 2147483647\n1 1 1\n"); });
  EXPECT_EQ(cell.code, 5);
}

TEST(MultiplySPM, Failures) {
  TempDir dir;
  WriteFile(dir / "a", "1 1 1\n");
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n",
             [&] { MultiplySPM(dir / "none", dir / "a", dir / "p"); });
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n",
             [&] { MultiplySPM(dir / "a", dir / "none", dir / "p"); });
  ExpectFail(2, "*** error open file " + (dir / "none/p") + "\n",
             [&] { MultiplySPM(dir / "a", dir / "a", dir / "none/p"); });
  WriteFile(dir / "b", "1 1 1\n1\n");
  ExpectFail(4, "*** malformed line 2 in file " + (dir / "b") + "\n",
             [&] { MultiplySPM(dir / "a", dir / "b", dir / "p"); });
}

// The product term by term: dense matrices over the indices by first appearance, every element
// summed term by term over the columns of A, each step checked against 32 bits.
struct Dense {
  std::vector<int64_t> rows, cols;
  std::vector<std::vector<int64_t>> cells;
  bool overflow = false;
};

size_t Position(std::vector<int64_t>& list, int64_t index) {
  for (size_t k = 0; k < list.size(); ++k)
    if (list[k] == index) return k;
  list.push_back(index);
  return list.size() - 1;
}

bool Fits(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

Dense Load(const std::vector<Element>& triples) {
  Dense d;
  for (const Element& t : triples) Position(d.rows, t.row), Position(d.cols, t.col);
  d.cells.assign(d.rows.size(), std::vector<int64_t>(d.cols.size(), 0));
  for (const Element& t : triples) {
    int64_t& cell = d.cells[Position(d.rows, t.row)][Position(d.cols, t.col)];
    cell += t.value;
    d.overflow = d.overflow || !Fits(cell);
  }
  return d;
}

// The product file; nothing when an input, a term or a partial sum leaves 32 bits.
std::optional<std::string> Reference(const std::vector<Element>& ta, const std::vector<Element>& tb) {
  Dense a = Load(ta), b = Load(tb);
  if (a.overflow || b.overflow) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < a.rows.size(); ++i)
    for (size_t j = 0; j < b.cols.size(); ++j) {
      int64_t sum = 0;
      for (size_t k = 0; k < a.cols.size(); ++k)
        for (size_t l = 0; l < b.rows.size(); ++l)
          if (a.cols[k] == b.rows[l]) {
            const int64_t term = a.cells[i][k] * b.cells[l][j];
            sum += term;
            if (!Fits(term) || !Fits(sum)) return std::nullopt;
          }
      if (sum != 0) out += std::to_string(a.rows[i]) + " " + std::to_string(b.cols[j]) + " " + std::to_string(sum) + "\n";
    }
  return out;
}

// Numbers from -2 to 6, values from -3 to 3 or, with `large`, of magnitude 46000: two of their
// products overflow together, and a third of opposite sign brings the sum back.
std::vector<Element> RandomOperand(std::mt19937& random, bool large) {
  std::vector<Element> elements = test::RandomMatrix(random, {9, 1, 1, -3});
  if (large)
    for (Element& e : elements)
      if (e.value != 0) e.value = e.value > 0 ? 46000 : -46000;
  return elements;
}

TEST(MultiplySPM, AgreesWithTheDenseTermByTermProduct) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    std::mt19937 random(seed);
    // Small values never overflow; large ones often do, at a place fixed by the summation order.
    const bool large = seed % 2 == 0;
    const std::vector<Element> a = RandomOperand(random, large), b = RandomOperand(random, large);
    TempDir dir;
    WriteFile(dir / "a", test::NoisyMatrixText(a, random));
    WriteFile(dir / "b", test::NoisyMatrixText(b, random));
    const std::optional<std::string> expected = Reference(a, b);
    if (!expected) {
      EXPECT_EQ(ExpectFailure([&] { MultiplySPM(dir / "a", dir / "b", dir / "p"); }).code, 5) << "seed " << seed;
      EXPECT_FALSE(test::Exists(dir / "p")) << "seed " << seed;
      continue;
    }
    MultiplySPM(dir / "a", dir / "b", dir / "p");
    EXPECT_EQ(ReadFile(dir / "p"), *expected) << "seed " << seed;
    // In memory: the same lines; nothing as soon as they pass a limit, all of them up to it.
    auto text = [](const std::optional<std::vector<Element>>& lines) {
      std::string out;
      for (const Element& e : lines.value_or(std::vector<Element>{}))
        out += std::to_string(e.row) + " " + std::to_string(e.col) + " " + std::to_string(e.value) + "\n";
      return out;
    };
    const std::optional<std::vector<Element>> all = ProductOf(a, b);
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(text(all), *expected) << "seed " << seed;
    EXPECT_EQ(text(ProductOf(a, b, all->size())), *expected) << "seed " << seed;
    if (!all->empty()) {
      EXPECT_FALSE(ProductOf(a, b, all->size() - 1).has_value()) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace pelorin
