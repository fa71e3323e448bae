// The equations of a cone in reduced column echelon form (contract in latticeform.h): sparse
// fraction-free Gauss-Jordan elimination on the columns, one variable at a time.
#include "solver/latticeform.h"

#include <algorithm>

#include "matrix/exactint.h"

namespace pelorin {

namespace {

using exact::Abs;
using exact::Gcd;
using exact::MulAdd;

// An equation: (variable, coefficient) by increasing variable, coefficients not 0.
using Column = std::vector<std::pair<int32_t, int64_t>>;

// a*x + b*y, divided by the gcd of its coefficients.
Column Combine(int64_t a, const Column& x, int64_t b, const Column& y) {
  Column out;
  out.reserve(x.size() + y.size());
  for (size_t i = 0, j = 0; i < x.size() || j < y.size();) {
    const bool fromX = j == y.size() || (i < x.size() && x[i].first <= y[j].first);
    const bool fromY = i == x.size() || (j < y.size() && y[j].first <= x[i].first);
    const int32_t at = fromX ? x[i].first : y[j].first;
    const int64_t v = MulAdd(a, fromX ? x[i].second : 0, b, fromY ? y[j].second : 0);
    i += fromX;
    j += fromY;
    if (v != 0) out.emplace_back(at, v);
  }
  int64_t g = 0;
  for (const auto& entry : out) g = Gcd(g, entry.second);
  if (g > 1)
    for (auto& entry : out) entry.second /= g;
  return out;
}

// The coefficient of variable v in an equation, 0 when it has none.
int64_t At(const Column& column, int32_t v) {
  const auto it = std::lower_bound(column.begin(), column.end(), v, [](const auto& entry, int32_t x) { return entry.first < x; });
  return it != column.end() && it->first == v ? it->second : 0;
}

// The elimination: the equations, the equations that may hold each variable (a superset: an
// entry stays listed after it cancels), and the pivot of each equation.
struct Elimination {
  std::vector<Column> columns;
  std::vector<std::vector<int32_t>> holding;  // per variable
  std::vector<int32_t> pivot;                 // per equation: its dependent variable, -1
  size_t entries = 0;

  explicit Elimination(const SparseSystem& system)
      : columns(system.equations), holding(system.rows.size()), pivot(system.equations, -1) {
    for (size_t v = 0; v < system.rows.size(); ++v)
      for (const auto& [c, value] : system.rows[v]) {
        columns[static_cast<size_t>(c)].emplace_back(static_cast<int32_t>(v), value);
        holding[v].push_back(c);
        ++entries;
      }
  }

  // The equation without a pivot where v becomes dependent: the smallest coefficient in size,
  // then the fewest entries; -1 when none holds v.
  int32_t PivotFor(int32_t v) const {
    int32_t best = -1;
    int64_t bestSize = 0;
    for (int32_t c : holding[static_cast<size_t>(v)]) {
      const Column& column = columns[static_cast<size_t>(c)];
      const int64_t size = Abs(At(column, v));
      if (pivot[static_cast<size_t>(c)] >= 0 || size == 0) continue;
      if (best < 0 || size < bestSize ||
          (size == bestSize && column.size() < columns[static_cast<size_t>(best)].size())) {
        best = c;
        bestSize = size;
      }
    }
    return best;
  }

  // Makes v the dependent variable of equation c: v leaves every other equation.
  void Pivot(int32_t v, int32_t c) {
    pivot[static_cast<size_t>(c)] = v;
    const Column& p = columns[static_cast<size_t>(c)];
    const int64_t d = At(p, v);
    std::vector<int32_t>& list = holding[static_cast<size_t>(v)];
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    for (int32_t other : list) {
      if (other == c) continue;
      Column& x = columns[static_cast<size_t>(other)];
      const int64_t a = At(x, v);
      if (a == 0) continue;
      const int64_t g = Gcd(a, d);
      Column combined = Combine(d / g, x, -(a / g), p);
      entries = entries - x.size() + combined.size();
      for (const auto& entry : combined)
        if (entry.first != v && At(x, entry.first) == 0) holding[static_cast<size_t>(entry.first)].push_back(other);
      x = std::move(combined);
    }
    list.assign(1, c);
  }
};

}  // namespace

std::optional<LatticeForm> LatticeFormOf(const SparseSystem& system, FreeVariables prefer, size_t maxEntries) {
  try {
    Elimination e(system);
    const size_t n = system.rows.size();
    for (size_t k = 0; k < n; ++k) {
      const int32_t v = static_cast<int32_t>(prefer == FreeVariables::kFirst ? n - 1 - k : k);
      const int32_t c = e.PivotFor(v);
      if (c < 0) continue;
      e.Pivot(v, c);
      if (e.entries > maxEntries) return std::nullopt;
    }
    LatticeForm form;
    form.system.rows.resize(n);
    for (size_t c = 0; c < e.columns.size(); ++c) {
      if (e.pivot[c] < 0) continue;  // an equation that the others make redundant is now empty
      const int32_t eq = static_cast<int32_t>(form.dependent.size());
      const int64_t sign = At(e.columns[c], e.pivot[c]) > 0 ? 1 : -1;
      for (const auto& [v, value] : e.columns[c]) form.system.rows[static_cast<size_t>(v)].emplace_back(eq, sign * value);
      form.dependent.push_back(e.pivot[c]);
    }
    form.system.equations = form.dependent.size();
    return form;
  } catch (const exact::Overflow&) {
    return std::nullopt;
  }
}

}  // namespace pelorin
