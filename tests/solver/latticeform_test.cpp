// The lattice form of a system: on random systems shaped like incidence matrices, each
// equation holds its own dependent variable and the form has exactly the flows of the system
// (checked against the lattice basis of the flow solver, an independent elimination); the
// example of the header; and the cases where no form is made.
#include "solver/latticeform.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "solver/flows.h"

namespace pelorin {
namespace {

using Rows = std::vector<std::vector<std::pair<int32_t, int64_t>>>;

SparseSystem RandomSystem(std::mt19937& random, size_t variables, size_t equations) {
  Rows rows(variables);
  for (auto& row : rows) {
    std::map<int32_t, int64_t> cells;
    for (size_t k = 0, n = 1 + random() % 3; k < n; ++k)
      cells[static_cast<int32_t>(random() % equations)] = static_cast<int64_t>(random() % 3 + 1) * (random() % 2 ? 1 : -1);
    row.assign(cells.begin(), cells.end());
  }
  return SparseSystem{equations, rows};
}

// The basis of the integer flows of a system, by the flow solver.
std::vector<FlowOf<mpz_class>> FlowsOf(const SparseSystem& s) {
  std::vector<Element> matrix;
  for (size_t v = 0; v < s.rows.size(); ++v)
    for (const auto& [c, a] : s.rows[v]) matrix.push_back({static_cast<int32_t>(v + 1), c + 1, static_cast<int32_t>(a)});
  const FlowBasis basis = IntegerFlows(matrix, static_cast<int32_t>(s.rows.size()));
  std::vector<FlowOf<mpz_class>> flows;
  std::visit(
      [&](const auto& vectors) {
        for (const auto& f : vectors) {
          flows.emplace_back();
          for (const auto& [v, y] : f) flows.back().emplace_back(v - 1, mpz_class(y));
        }
      },
      basis);
  return flows;
}

void ExpectLatticeForm(const SparseSystem& s, const LatticeForm& form) {
  const SparseSystem& f = form.system;
  ASSERT_EQ(f.rows.size(), s.rows.size());
  ASSERT_EQ(form.dependent.size(), f.equations);
  // each dependent variable in its own equation only, with a positive coefficient
  for (size_t eq = 0; eq < f.equations; ++eq) {
    const auto& row = f.rows[static_cast<size_t>(form.dependent[eq])];
    ASSERT_EQ(row.size(), 1u) << "equation " << eq;
    EXPECT_EQ(row[0].first, static_cast<int32_t>(eq));
    EXPECT_GT(row[0].second, 0);
  }
  // the flows of the system, and no other: its basis solves the form, and the form has one
  // equation per variable that the basis does not leave free
  const std::vector<FlowOf<mpz_class>> flows = FlowsOf(s);
  EXPECT_EQ(f.equations + flows.size(), s.rows.size());
  for (const auto& flow : flows) {
    std::vector<mpz_class> sum(f.equations);
    for (const auto& [v, y] : flow)
      for (const auto& [c, a] : f.rows[static_cast<size_t>(v)]) sum[static_cast<size_t>(c)] += y * mpz_class(static_cast<long>(a));
    for (const mpz_class& x : sum) ASSERT_EQ(x, 0);
  }
}

TEST(LatticeForm, HoldsTheFlowsOfRandomSystemsWithOneDependentVariablePerEquation) {
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const size_t equations = 3 + random() % 12, variables = equations + random() % 20;
    const SparseSystem s = RandomSystem(random, variables, equations);
    for (const FreeVariables prefer : {FreeVariables::kFirst, FreeVariables::kLast}) {
      const std::optional<LatticeForm> form = LatticeFormOf(s, prefer, SIZE_MAX);
      ASSERT_TRUE(form.has_value());
      ExpectLatticeForm(s, *form);
    }
  }
}

TEST(LatticeForm, TheExampleAndTheCasesWithoutAForm) {
  // y1 - y2 = 0, y2 + y3 - y4 = 0: with the first variables free, y2 - y1 = 0, y4 - y1 - y3 = 0
  const SparseSystem s{2, Rows{{{0, 1}}, {{0, -1}, {1, 1}}, {{1, 1}}, {{1, -1}}}};
  const std::optional<LatticeForm> first = LatticeFormOf(s, FreeVariables::kFirst, SIZE_MAX);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->dependent, (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(first->system.rows, (Rows{{{0, -1}, {1, -1}}, {{0, 1}}, {{1, -1}}, {{1, 1}}}));
  // with the last ones free, y1 and then y2 depend: the equations become y1 + y3 - y4 = 0 and
  // y2 + y3 - y4 = 0
  const std::optional<LatticeForm> last = LatticeFormOf(s, FreeVariables::kLast, SIZE_MAX);
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->dependent, (std::vector<int32_t>{0, 1}));
  ExpectLatticeForm(s, *last);
  // more entries than allowed; a coefficient beyond 64 bits (2^40 * 2^40 on elimination)
  EXPECT_FALSE(LatticeFormOf(s, FreeVariables::kFirst, 3).has_value());
  const int64_t big = int64_t{1} << 40;
  const SparseSystem wide{2, Rows{{{0, big}, {1, 1}}, {{0, 1}, {1, big}}, {{0, 3}, {1, 5}}}};
  EXPECT_FALSE(LatticeFormOf(wide, FreeVariables::kLast, SIZE_MAX).has_value());
}

}  // namespace
}  // namespace pelorin
