// Toudic's method: worked examples and edge cases through files, the row operations at their
// edges, and random systems against a plain dense rendering of the method.
#include "solver/toudic.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <random>
#include <sstream>

#include "matrix/exactint.h"
#include "matrix/spm.h"
#include "support/randommatrix.h"
#include "support/solverfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// Runs Toudic on `matrix` written to a file and returns the solution file.
std::string Solve(const std::string& matrix) {
  TempDir dir;
  WriteFile(dir / "a.spm", matrix);
  Toudic(dir / "a.spm", dir / "a.inv");
  return ReadFile(dir / "a.inv");
}

// ---- The dense method step by step, kept plain: linear searches, whole rows, shifts. ----

using Dense = std::vector<std::vector<int32_t>>;

int32_t RefRowGcd(const std::vector<int32_t>& v) {
  int32_t g = 0;
  for (int32_t e : v) g = e == 0 ? g : g == 0 ? std::abs(e) : std::gcd(g, std::abs(e));
  return g;
}

void RefFilter(Dense& C, Dense& X, size_t& k) {
  bool drop = false;
  const std::vector<int32_t> fresh = X[k - 1];
  for (size_t i = 0; i + 1 < k; ++i) {
    bool above = true, below = true;
    for (size_t j = 0; j < fresh.size(); ++j) above &= X[i][j] >= fresh[j], below &= fresh[j] >= X[i][j];
    if (above && !below) std::fill(X[i].begin(), X[i].end(), 0);
    if (below) drop = true;
  }
  if (drop) std::fill(X[k - 1].begin(), X[k - 1].end(), 0);
  for (size_t r = 0; r < k;) {  // delzero
    if (std::all_of(X[r].begin(), X[r].end(), [](int32_t e) { return e == 0; })) {
      for (size_t q = r; q + 1 < k; ++q) C[q] = C[q + 1], X[q] = X[q + 1];
      --k;
    } else {
      ++r;
    }
  }
}

// The rows with a positive and with a negative entry in column j.
void RefSigns(const Dense& C, size_t j, std::vector<size_t>& plus, std::vector<size_t>& minus) {
  plus.clear(), minus.clear();
  for (size_t i = 0; i < C.size(); ++i) {
    if (C[i][j] > 0) plus.push_back(i);
    if (C[i][j] < 0) minus.push_back(i);
  }
}

// SingleSignRows and RemoveRows until SingleSignRows finds nothing.
void RefErase(Dense& C, Dense& X, size_t nc) {
  for (;;) {
    std::vector<size_t> singleSign, plus, minus;
    for (size_t j = 0; j < nc; ++j) {
      RefSigns(C, j, plus, minus);
      for (size_t i : plus.empty() ? minus : minus.empty() ? plus : std::vector<size_t>{})
        if (std::find(singleSign.begin(), singleSign.end(), i) == singleSign.end()) singleSign.push_back(i);
    }
    if (singleSign.empty()) return;
    Dense C0, X0;
    for (size_t i = 0; i < C.size(); ++i)
      if (std::find(singleSign.begin(), singleSign.end(), i) == singleSign.end())
        C0.push_back(C[i]), X0.push_back(X[i]);
    C = C0, X = X0;
  }
}

// ChooseColumn: 1-based column, 0 when every column is zero.
size_t RefChooseColumn(const Dense& C, size_t nc, std::vector<size_t>& positiveRows,
                       std::vector<size_t>& negativeRows) {
  size_t col = 0, np = C.size(), nm = C.size();
  std::vector<size_t> plus, minus;
  for (size_t j = 0; j < nc; ++j) {
    RefSigns(C, j, plus, minus);
    if ((!plus.empty() || !minus.empty()) && plus.size() * minus.size() < np * nm)
      col = j + 1, np = plus.size(), nm = minus.size(), positiveRows = plus, negativeRows = minus;
  }
  return col;
}

// Appends b * row p + a * row n to C1, X1, normalised, and filters it.
void RefCombine(const Dense& C, const Dense& X, size_t p, size_t n, size_t col, Dense& C1, Dense& X1, size_t& k) {
  int32_t a = std::abs(C[p][col - 1]), b = std::abs(C[n][col - 1]);
  const int32_t g = std::gcd(a, b);
  if (g > 1) a /= g, b /= g;
  C1.resize(k + 1), X1.resize(k + 1);
  C1[k].assign(C[p].size(), 0), X1[k].assign(X[p].size(), 0);
  for (size_t j = 0; j < C[p].size(); ++j) C1[k][j] = CheckedAdd(CheckedMul(b, C[p][j]), CheckedMul(a, C[n][j]));
  for (size_t j = 0; j < X[p].size(); ++j) X1[k][j] = CheckedAdd(CheckedMul(b, X[p][j]), CheckedMul(a, X[n][j]));
  const int32_t gc = RefRowGcd(C1[k]), gx = RefRowGcd(X1[k]);
  if ((gc > 1 || gc == 0) && gx > 1) {
    const int32_t d = gc == 0 ? gx : std::gcd(gc, gx);
    for (int32_t& e : C1[k]) e /= d;
    for (int32_t& e : X1[k]) e /= d;
  }
  ++k;
  RefFilter(C1, X1, k);
}

std::string RefToudic(const std::vector<Element>& elements) {
  std::vector<int32_t> rows, cols;
  for (const Element& e : elements) {
    if (std::find(rows.begin(), rows.end(), e.row) == rows.end()) rows.push_back(e.row);
    if (std::find(cols.begin(), cols.end(), e.col) == cols.end()) cols.push_back(e.col);
  }
  const size_t nc = cols.size(), nx = rows.size();
  Dense C(nx, std::vector<int32_t>(nc, 0)), X(nx, std::vector<int32_t>(nx, 0));
  for (const Element& e : elements) {
    int32_t& cell = C[std::find(rows.begin(), rows.end(), e.row) - rows.begin()][std::find(cols.begin(), cols.end(), e.col) - cols.begin()];
    cell = CheckedAdd(cell, e.value);
  }
  for (size_t i = 0; i < nx; ++i) X[i][i] = 1;
  std::vector<size_t> positiveRows, negativeRows;
  for (RefErase(C, X, nc); size_t col = RefChooseColumn(C, nc, positiveRows, negativeRows); RefErase(C, X, nc)) {
    Dense C1, X1;
    for (size_t i = 0; i < C.size(); ++i)
      if (C[i][col - 1] == 0) C1.push_back(C[i]), X1.push_back(X[i]);
    size_t k = C1.size();
    for (size_t p : positiveRows)
      for (size_t n : negativeRows) RefCombine(C, X, p, n, col, C1, X1, k);
    C1.resize(k), X1.resize(k);
    C = C1, X = X1;
  }
  std::ostringstream out;
  for (size_t i = 0; i < X.size(); ++i)
    for (size_t j = 0; j < nx; ++j)
      if (X[i][j] != 0) out << i + 1 << ' ' << rows[j] << ' ' << X[i][j] << '\n';
  return out.str();
}

// ---- Worked examples and edge cases through files ----

TEST(Toudic, WorkedExamples) {
  EXPECT_EQ(Solve("1 1 -1\n2 1 1\n2 2 -1\n1 2 1\n"), "1 1 1\n1 2 1\n");
  EXPECT_EQ(Solve("1 1 -2\n2 1 1\n"), "1 1 1\n1 2 2\n");
  EXPECT_EQ(Solve("1 1 1\n1 2 -1\n2 2 1\n"), "");
}

TEST(Toudic, InputForms) {
  EXPECT_EQ(Solve(""), "");
  EXPECT_EQ(Solve("# only a comment\n\n  \t\r\n"), "");
  // A row that cancels itself has a zero equation part from the start: a unit solution.
  EXPECT_EQ(Solve("4 3 -1\n5 3 1\n5 3 -1\n"), "1 5 1\n");
  // Repeated triples add up, two integers mean 1, numbers are names kept in order of first
  // appearance, comments anywhere, a last line without a line feed.
  EXPECT_EQ(Solve("# net\n70 2\n9 2 -1\n9 2 -1\n#\n3 2 1"), "1 70 2\n1 9 1\n2 9 1\n2 3 2\n");
}

TEST(Toudic, EqualProductsGoByFirstAppearanceOfTheColumn) {
  // Columns 2 and 1 both pair one row with one; column 2 appeared first, so it is eliminated
  // first and rows 1 and 2, copied unchanged, come before the combination of rows 3 and 4.
  EXPECT_EQ(Solve("3 2 1\n4 2 -1\n1 1 1\n2 1 -1\n"), "1 3 1\n1 4 1\n2 1 1\n2 2 1\n");
  EXPECT_EQ(Solve("1 1 1\n2 1 -1\n3 2 1\n4 2 -1\n"), "1 1 1\n1 2 1\n2 3 1\n2 4 1\n");
}

TEST(Toudic, Failures) {
  TempDir dir;
  ExpectFail(2, "*** error open file " + (dir / "none.spm") + "\n", [&] { Toudic(dir / "none.spm", dir / "out"); });
  EXPECT_FALSE(test::Exists(dir / "out"));

  WriteFile(dir / "a.spm", "1 1 1\n");
  ExpectFail(2, "*** error open file " + (dir / "no/out") + "\n", [&] { Toudic(dir / "a.spm", dir / "no/out"); });

  WriteFile(dir / "bad.spm", "1 1 1\n 1 x\n");
  ExpectFail(4, "*** malformed line 2 in file " + (dir / "bad.spm") + "\n",
             [&] { Toudic(dir / "bad.spm", dir / "out"); });
  EXPECT_FALSE(test::Exists(dir / "out"));  // the matrix is read whole before the solution file is made
}

TEST(Toudic, OverflowEndsTheRun) {
  for (const std::string matrix : {
           "1 1 2147483647\n1 1 1\n",                  // a repeated cell
           "1 1 65536\n2 1 -1\n1 2 -1\n2 2 65536\n",   // a product of a combination
           "1 1 -1\n2 1 1\n1 2 2147483647\n2 2 1\n3 2 -1\n",  // a sum of a combination
           "1 1 -2147483648\n2 1 1073741824\n",      // cancelling the smallest value
           // Column 1 gives 1+3, 1+4, 2+3, 2+4; on column 2, (1+3) + (2+4) lies above 1+4 and
           // is dropped, yet its sum in column 3 is 2147483647 + 1.
           "1 1 1\n2 1 1\n3 1 -1\n4 1 -1\n1 2 1\n4 2 -1\n3 2 1\n2 2 -1\n"
           "1 3 1073741824\n3 3 1073741823\n2 3 1\n5 3 -1\n6 3 -1\n",
       }) {
    TempDir dir;
    WriteFile(dir / "a.spm", matrix);
    Failure failure = ExpectFailure([&] { Toudic(dir / "a.spm", dir / "a.inv"); });
    EXPECT_EQ(failure.code, 5) << matrix;
    EXPECT_EQ(failure.message, "*** integer overflow\n");
    EXPECT_EQ(ReadFile(dir / "a.inv"), "");
  }
  // The smallest 32-bit value is an entry like any other while no product leaves the range.
  EXPECT_EQ(Solve("1 1 1\n1 2 -2147483648\n2 1 -1\n2 2 2147483647\n3 2 1\n"), "1 1 1\n1 2 1\n1 3 1\n");
}

// ---- Row operations ----

// A working row from dense parts.
WorkRow Row(const std::vector<int32_t>& c, const std::vector<int32_t>& x = {}) {
  WorkRow row;
  for (size_t j = 0; j < c.size(); ++j)
    if (c[j] != 0) row.c.push_back({static_cast<int32_t>(j), c[j]});
  for (size_t j = 0; j < x.size(); ++j)
    if (x[j] != 0) row.x.push_back({static_cast<int32_t>(j), x[j]});
  return row;
}

// A working set from dense columns: columns[j][i] is the entry of row i in column j; row i
// has the unit variable part of variable i.
WorkingSet FromColumns(const std::vector<std::vector<int32_t>>& columns) {
  WorkRows rows(columns[0].size());
  for (size_t i = 0; i < rows.size(); ++i) {
    std::vector<int32_t> c;
    for (const auto& column : columns) c.push_back(column[i]);
    rows[i] = Row(c);
  }
  SetUnitVariableParts(rows);
  WorkingSet set = MakeWorkingSet(columns.size(), rows.size());
  for (WorkRow& row : rows) AddRow(set, row);
  return set;
}

// The variable parts of the working rows, in order.
std::vector<SparseRow> VariableParts(const WorkingSet& set) {
  std::vector<SparseRow> parts;
  for (const WorkRow& row : WorkingRows(set)) parts.push_back(row.x);
  EXPECT_EQ(parts.size(), set.live);
  return parts;
}

// The unit variable part of variable i (0-based).
SparseRow Unit(int32_t i) { return {Entry{i, 1}}; }

TEST(RowOperations, Divisors) {
  // the gcd of the exact integer layer, on the magnitudes of 32-bit entries
  EXPECT_EQ(exact::Gcd<int64_t>(6, 4), 2);
  EXPECT_EQ(exact::Gcd<int64_t>(5, 5), 5);
  EXPECT_EQ(exact::Gcd<int64_t>(1, 97), 1);
  EXPECT_EQ(exact::Gcd<int64_t>(12, 18), 6);
  EXPECT_EQ(exact::Gcd(Magnitude(INT32_MIN), int64_t{6}), 2);
  EXPECT_EQ(RowGcd(SparseRow{}), 0);
  EXPECT_EQ(RowGcd(Row({0, -4, 6}).c), 2);
  EXPECT_EQ(RowGcd(Row({0, 0, -3}).c), 3);
  EXPECT_EQ(RowGcd(Row({INT32_MIN}).c), 2147483648);
  SparseRow v = Row({0, -4, 6}).c;
  DivideRow(v, 2);
  EXPECT_EQ(v, Row({0, -2, 3}).c);
}

TEST(RowOperations, ColumnChoice) {
  int32_t col = -1;
  std::vector<int32_t> positiveRows, negativeRows;
  // 1 positive and 4 negative rows (product 4) first, then 2 and 2: the first column wins.
  const std::vector<int32_t> first{1, -1, -1, -1, -1, 0}, second{1, 1, -1, -1, 0, 0}, third{1, 0, 0, -1, -1, -1};
  WorkingSet two = FromColumns({first, second});
  EXPECT_TRUE(ChooseColumn(two, col, positiveRows, negativeRows));
  EXPECT_EQ(col, 1);
  EXPECT_EQ(positiveRows, (std::vector<int32_t>{0}));
  EXPECT_EQ(negativeRows, (std::vector<int32_t>{1, 2, 3, 4}));
  // A later column with the product 3 beats both; a zero column is passed over.
  WorkingSet four = FromColumns({{0, 0, 0, 0, 0, 0}, first, second, third});
  EXPECT_TRUE(ChooseColumn(four, col, positiveRows, negativeRows));
  EXPECT_EQ(col, 4);
  EXPECT_EQ(negativeRows, (std::vector<int32_t>{3, 4, 5}));
  // Removed rows no longer count: without row 3 the second and the third column both have the
  // product 2, and the second comes first.
  RemoveRows(four, {3});
  EXPECT_TRUE(ChooseColumn(four, col, positiveRows, negativeRows));
  EXPECT_EQ(col, 3);
  WorkingSet zero = FromColumns({{0, 0}, {0, 0}});
  EXPECT_FALSE(ChooseColumn(zero, col, positiveRows, negativeRows));
  EXPECT_EQ(col, 0);
}

TEST(RowOperations, SingleSignRowsAndRemoval) {
  // Column 1 is only negative (rows 1, 3), column 2 has both signs, column 3 is zero, column 4
  // is only positive (rows 0, 3): row 3 is listed once, where it was first found.
  WorkingSet set = FromColumns({{0, -1, 0, -2}, {1, -1, 0, 0}, {0, 0, 0, 0}, {3, 0, 0, 1}});
  EXPECT_EQ(SingleSignRows(set), (std::vector<int32_t>{1, 3, 0}));
  EXPECT_TRUE(SingleSignRows(set).empty());  // nothing changed since
  // Erasing row 0 leaves column 2 with the negative row 1 only.
  RemoveRows(set, {0});
  EXPECT_EQ(SingleSignRows(set), (std::vector<int32_t>{1, 3}));
  RemoveRows(set, {3, 1});
  EXPECT_EQ(VariableParts(set), (std::vector<SparseRow>{Unit(2)}));
  WorkingSet both = FromColumns({{1, -1}, {0, 0}});
  EXPECT_TRUE(SingleSignRows(both).empty());
}

// The variable parts left after filtering `fresh` against `earlier`.
std::vector<SparseRow> Filter(const std::vector<std::vector<int32_t>>& earlier, const std::vector<int32_t>& fresh) {
  WorkingSet set = MakeWorkingSet(0, 3);
  for (const auto& x : earlier) AddRow(set, Row({}, x));
  FilterNewSolution(set, Row({}, fresh));
  return VariableParts(set);
}

TEST(RowOperations, DominanceFilterComparesValues) {
  const SparseRow a = Row({}, {1, 1, 0}).x;
  EXPECT_EQ(Filter({{1, 1, 0}}, {1, 1, 0}), (std::vector<SparseRow>{a}));
  EXPECT_EQ(Filter({{2, 1, 0}, {0, 0, 1}}, {1, 1, 0}), (std::vector<SparseRow>{Row({}, {0, 0, 1}).x, a}));
  EXPECT_EQ(Filter({{1, 0, 1}}, {0, 1, 1}).size(), 2u);
  EXPECT_EQ(Filter({{1, 0, 0}}, {2, 0, 0}), (std::vector<SparseRow>{Row({}, {1}).x}));
  EXPECT_EQ(Filter({{1, 2}}, {2, 1}).size(), 2u);  // same support, neither above the other
  EXPECT_EQ(Filter({}, {0, 3}).size(), 1u);
}

// ---- Random systems ----

// The solution file, or the message of the failure that ended the run.
std::string Outcome(const std::function<std::string()>& run) {
  try {
    return run();
  } catch (const Failure& failure) {
    return failure.message;
  }
}

// A random matrix file of up to `size` rows and columns (support/randommatrix.h).
std::vector<Element> RandomMatrix(unsigned seed, int size) {
  std::mt19937 random(seed);
  return test::RandomMatrix(random, {size});
}

// Checks what every solution file must satisfy: y.A = 0, positive coefficients with gcd 1,
// solutions numbered without gaps, none componentwise >= another.
void CheckSolutions(const std::vector<Element>& elements, const std::string& solutions) {
  const DenseMatrix a = LoadDense(elements, "A");
  std::vector<std::vector<int64_t>> ys;
  std::istringstream in(solutions);
  int32_t number = 0, row = 0, value = 0;
  while (in >> number >> row >> value) {
    ASSERT_GT(value, 0);
    if (number > static_cast<int32_t>(ys.size())) ys.emplace_back(a.rows.size(), 0);
    ASSERT_EQ(number, static_cast<int32_t>(ys.size()));
    ASSERT_GE(a.rows.Find(row), 0);
    ys.back()[static_cast<size_t>(a.rows.Find(row))] = value;
  }
  for (const auto& y : ys) {
    for (size_t j = 0; j < a.cols.size(); ++j) {
      int64_t sum = 0;
      for (size_t i = 0; i < y.size(); ++i) sum += y[i] * a.at(i, j);
      EXPECT_EQ(sum, 0);
    }
    EXPECT_EQ(std::accumulate(y.begin(), y.end(), int64_t{0}, [](int64_t g, int64_t e) { return std::gcd(g, e); }), 1);
    for (const auto& z : ys) {
      if (&z == &y) continue;
      bool above = true;
      for (size_t i = 0; i < y.size(); ++i) above &= y[i] >= z[i];
      EXPECT_FALSE(above);
    }
  }
}

TEST(Toudic, RandomSystemsMatchThePlainMethod) {
  int withSolutions = 0;
  for (unsigned seed = 1; seed <= 400; ++seed) {
    const std::vector<Element> elements = RandomMatrix(seed, seed <= 300 ? 8 : seed <= 380 ? 16 : 28);
    const std::string solutions = Solve(test::MatrixText(elements));
    EXPECT_EQ(solutions, RefToudic(elements)) << "seed " << seed << "\n" << test::MatrixText(elements);
    CheckSolutions(elements, solutions);
    if (!solutions.empty()) ++withSolutions;
  }
  EXPECT_GT(withSolutions, 100);  // the comparison is not vacuous
}

TEST(Toudic, RandomSystemsOverflowAlike) {
  // Every combination counts, also one that the filter drops at once.
  int overflows = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::vector<Element> elements = RandomMatrix(seed, 10);
    std::mt19937 random(seed);
    for (Element& e : elements) e.value *= std::uniform_int_distribution<int32_t>(1, 1 << 12)(random);
    const std::string expected = Outcome([&] { return RefToudic(elements); });
    EXPECT_EQ(Outcome([&] { return Solve(test::MatrixText(elements)); }), expected) << "seed " << seed;
    if (expected == "*** integer overflow\n") ++overflows;
  }
  EXPECT_GT(overflows, 10);
  EXPECT_LT(overflows, 290);
}

}  // namespace
}  // namespace pelorin
