// Integer flows: the basis against an independent computation (the reduced Hermite normal form
// of [A | I] over GMP, plainly and densely), on random systems, on systems whose flows leave 64
// and 128 bits, on systems that need Bezout steps, and at the edges (no lines, variables without
// lines, a number out of range); the solution file byte by byte.
#include "solver/flows.h"

#include <gtest/gtest.h>

#include <random>

#include "support/randommatrix.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using Matrix = std::vector<std::vector<mpz_class>>;

// Brings rows [top, end) of `m` into Hermite normal form over the columns from `col` on, and
// reduces every row above each pivot into [0, pivot). Plain: Euclid between two rows at a time.
void PlainHermite(Matrix& m, size_t col, size_t& top) {
  for (; col < (m.empty() ? 0 : m[0].size()) && top < m.size(); ++col) {
    for (bool again = true; again;) {
      again = false;
      size_t best = m.size();
      for (size_t r = top; r < m.size(); ++r)
        if (m[r][col] != 0 && (best == m.size() || abs(m[r][col]) < abs(m[best][col]))) best = r;
      if (best == m.size()) break;
      std::swap(m[top], m[best]);
      for (size_t r = top + 1; r < m.size(); ++r) {
        if (m[r][col] == 0) continue;
        const mpz_class q = m[r][col] / m[top][col];
        for (size_t c = col; c < m[r].size(); ++c) m[r][c] -= q * m[top][c];
        again = again || m[r][col] != 0;
      }
      if (again) continue;
      if (m[top][col] < 0)
        for (mpz_class& v : m[top]) v = -v;
      for (size_t r = 0; r < top; ++r) {
        mpz_class q;
        mpz_fdiv_q(q.get_mpz_t(), m[r][col].get_mpz_t(), m[top][col].get_mpz_t());
        for (size_t c = col; c < m[r].size(); ++c) m[r][c] -= q * m[top][c];
      }
      ++top;
    }
  }
}

// The reduced HNF of the flow lattice, as "var:coef ..." lines: the rows of the HNF of [A | I]
// (A's columns first) whose A part is zero.
std::vector<std::string> ReferenceFlows(const std::vector<Element>& matrix, int32_t variables, size_t& rank) {
  std::vector<int32_t> cols;
  for (const Element& e : matrix)
    if (std::find(cols.begin(), cols.end(), e.col) == cols.end()) cols.push_back(e.col);
  const size_t n = static_cast<size_t>(variables), m = cols.size();
  Matrix a(n, std::vector<mpz_class>(m + n, 0));
  for (const Element& e : matrix)
    a[static_cast<size_t>(e.row - 1)][static_cast<size_t>(std::find(cols.begin(), cols.end(), e.col) - cols.begin())] += e.value;
  for (size_t i = 0; i < n; ++i) a[i][m + i] = 1;
  size_t top = 0;
  PlainHermite(a, 0, top);
  std::vector<std::string> lines;
  rank = 0;
  for (size_t r = 0; r < n; ++r) {
    bool zero = true;
    for (size_t c = 0; c < m; ++c) zero = zero && a[r][c] == 0;
    if (!zero) {
      ++rank;
      continue;
    }
    std::string line;
    for (size_t c = m; c < m + n; ++c)
      if (a[r][c] != 0) line += std::to_string(c - m + 1) + ":" + a[r][c].get_str() + " ";
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Lines(const FlowBasis& basis) {
  std::vector<std::string> lines;
  std::visit(
      [&](const auto& flows) {
        for (const auto& f : flows) {
          std::string line;
          for (const auto& [v, c] : f) line += std::to_string(v) + ":" + mpz_class(c).get_str() + " ";
          lines.push_back(line);
        }
      },
      basis);
  return lines;
}

// Every vector is a flow: y.A = 0.
void ExpectFlows(const std::vector<Element>& matrix, const FlowBasis& basis) {
  std::visit(
      [&](const auto& flows) {
        for (const auto& f : flows) {
          std::map<int32_t, mpz_class> product;
          for (const Element& e : matrix)
            for (const auto& [v, c] : f)
              if (v == e.row) product[e.col] += mpz_class(c) * e.value;
          for (const auto& [col, value] : product) EXPECT_EQ(value, 0) << "equation " << col;
        }
      },
      basis);
}

void ExpectReference(const std::vector<Element>& matrix, int32_t variables) {
  const FlowBasis basis = IntegerFlows(matrix, variables);
  size_t rank = 0;
  const std::vector<std::string> reference = ReferenceFlows(matrix, variables, rank);
  EXPECT_EQ(Lines(basis), reference);
  EXPECT_EQ(Lines(basis).size(), static_cast<size_t>(variables) - rank);
  ExpectFlows(matrix, basis);
}

TEST(IntegerFlows, AgreeWithThePlainHermiteFormOnRandomSystems) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    test::MatrixDraw draw;
    draw.size = 2 + round % 9;
    std::vector<Element> matrix = test::RandomMatrix(random, draw);
    if (round % 3 == 0)  // larger cells: more pivots that do not divide
      for (Element& e : matrix) e.value *= 1 + static_cast<int32_t>(random() % 5);
    int32_t variables = 1;
    for (const Element& e : matrix) variables = std::max(variables, e.row);
    variables += static_cast<int32_t>(random() % 3);  // variables without lines
    ExpectReference(matrix, variables);
  }
}

TEST(IntegerFlows, EdgesAndBezoutSteps) {
  ExpectReference({}, 3);  // no lines: the unit vectors
  EXPECT_TRUE(Lines(IntegerFlows({}, 0)).empty());
  ExpectReference({{1, 1, 2}, {2, 1, 3}}, 2);  // 2a + 3b = 0: (3, -2), pivot 3
  ExpectReference({{1, 1, 6}, {2, 1, 10}, {3, 1, 15}, {4, 2, 4}, {2, 2, 6}}, 5);
  EXPECT_EQ(Lines(IntegerFlows({{1, 1, -1}, {2, 1, 1}, {1, 2, 2}, {2, 2, -2}}, 2)),
            std::vector<std::string>{"1:1 2:1 "});
  ExpectFail(kExitInput, "*** element number 3 out of range\n", [] { IntegerFlows({{3, 1, 1}}, 2); });
  ExpectFail(kExitInput, "*** element number 0 out of range\n", [] { IntegerFlows({{0, 1, 1}}, 2); });
}

// A chain 2 y_i = y_{i+1} (or 2 y_i = 3 y_{i+1}): one flow whose coefficients double along it,
// beyond 64 bits and, for the longer chains, beyond 128.
TEST(IntegerFlows, CoefficientsBeyond64And128Bits) {
  for (int32_t length : {40, 70, 140}) {
    for (int32_t give : {1, 3}) {
      std::vector<Element> matrix;
      for (int32_t i = 1; i < length; ++i) {
        matrix.push_back({i, i, 2});
        matrix.push_back({i + 1, i, -give});
      }
      SCOPED_TRACE(std::to_string(length) + " " + std::to_string(give));
      const FlowBasis basis = IntegerFlows(matrix, length);
      EXPECT_EQ(basis.index(), length >= 70 ? 1u : 0u);
      ExpectReference(matrix, length);
    }
  }
}

TEST(IntegerFlows, SolutionFile) {
  TempDir dir;
  WriteFile(dir / "m", "1 1 -1\n3 1 1\n# note\n1 2 2\n3 2 -2\n");
  const SolutionDigest digest = IntegerFlowsFile(ReadElementsFile(dir / "m"), 4, dir / "m.inv");
  EXPECT_EQ(ReadFile(dir / "m.inv"), "1 1 1\n1 3 1\n2 2 1\n3 4 1\n");
  EXPECT_EQ(digest.last, 3u);
  EXPECT_EQ(digest.covered, (std::vector<int32_t>{1, 2, 3, 4}));
  WriteFile(dir / "b", "1 1 2\n2 1 3\n");
  IntegerFlowsFile(ReadElementsFile(dir / "b"), 2, dir / "b.inv");
  EXPECT_EQ(ReadFile(dir / "b.inv"), "1 1 3\n1 2 -2\n");
}

}  // namespace
}  // namespace pelorin
