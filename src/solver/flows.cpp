// Integer flows in reduced Hermite normal form by left-looking unimodular elimination
// (contract in flows.h).
#include "solver/flows.h"

#include <algorithm>
#include <functional>
#include <new>
#include <queue>
#include <type_traits>

#include "matrix/failure.h"
#include "matrix/textfile.h"
#include "solver/exactint.h"

namespace pelorin {

namespace {

using exact::Abs;
using exact::ExtendedGcd;
using exact::FloorDiv;
using exact::Int128;
using exact::MulAdd;
using exact::Neg;
using exact::Overflow;
using exact::ToMpz;

// A sparse vector: (position, value) by increasing position, values not 0.
template <class T>
using Sparse = std::vector<std::pair<int32_t, T>>;

// a*x + b*y of two sparse vectors.
template <class T>
Sparse<T> Combine(const T& a, const Sparse<T>& x, const T& b, const Sparse<T>& y) {
  Sparse<T> out;
  out.reserve(x.size() + y.size());
  size_t i = 0, j = 0;
  while (i < x.size() || j < y.size()) {
    T v;
    int32_t at;
    if (j == y.size() || (i < x.size() && x[i].first < y[j].first)) {
      at = x[i].first;
      v = MulAdd(a, x[i++].second, T(0), T(0));
    } else if (i == x.size() || y[j].first < x[i].first) {
      at = y[j].first;
      v = MulAdd(T(0), T(0), b, y[j++].second);
    } else {
      at = x[i].first;
      v = MulAdd(a, x[i++].second, b, y[j++].second);
    }
    if (v != 0) out.emplace_back(at, std::move(v));
  }
  return out;
}

template <class T>
void Negate(Sparse<T>& x) {
  for (auto& entry : x) entry.second = Neg(entry.second);
}

// A dense working vector with the list of its touched positions; `onTouch`(position) is called
// when a position is touched for the first time.
template <class T>
struct Accumulator {
  std::vector<T> value;
  std::vector<char> touched;
  std::vector<int32_t> list;
  explicit Accumulator(size_t size) : value(size, T(0)), touched(size, 0) {}
  template <class OnTouch>
  void AddScaled(const Sparse<T>& x, const T& factor, OnTouch&& onTouch) {
    for (const auto& [at, v] : x) {
      const size_t k = static_cast<size_t>(at);
      value[k] = MulAdd(value[k], T(1), factor, v);
      if (!touched[k]) {
        touched[k] = 1;
        list.push_back(at);
        onTouch(at);
      }
    }
  }
  // The non-zero entries, sorted; the accumulator is left empty.
  Sparse<T> Take() {
    std::sort(list.begin(), list.end());
    Sparse<T> out;
    for (int32_t at : list) {
      const size_t k = static_cast<size_t>(at);
      if (value[k] != 0) out.emplace_back(at, std::move(value[k]));
      value[k] = T(0);
      touched[k] = 0;
    }
    list.clear();
    return out;
  }
};

// The rows or vectors that lead at given positions, visited in order of their number: a queue
// of numbers, each at most once until it is taken.
struct LeaderQueue {
  std::priority_queue<int32_t, std::vector<int32_t>, std::greater<int32_t>> heap;
  std::vector<char> queued;
  void Push(int32_t k) {
    if (static_cast<size_t>(k) >= queued.size()) queued.resize(static_cast<size_t>(k) + 1, 0);
    if (queued[static_cast<size_t>(k)]) return;
    queued[static_cast<size_t>(k)] = 1;
    heap.push(k);
  }
  bool Pop(int32_t& k) {
    if (heap.empty()) return false;
    k = heap.top();
    heap.pop();
    queued[static_cast<size_t>(k)] = 0;
    return true;
  }
};

// A pivot row: its equation and value (> 0), the row, and the combination of variables it is.
template <class T>
struct Pivot {
  int32_t equation = 0;
  T value;
  Sparse<T> row;
  Sparse<T> combination;
};

// The state of the elimination.
template <class T>
struct Elimination {
  std::vector<Sparse<T>> rows;      // per variable position (number - 1): its row of A
  std::vector<int32_t> pivotAt;     // per equation position: the pivot holding it, -1
  std::vector<Pivot<T>> pivots;     // in order of creation
  std::vector<int32_t> waiting;     // per equation position: variables still to come with a cell there
  Accumulator<T> row, combination;  // the row under reduction and its combination of variables
  LeaderQueue queue;                // pivots to apply to the row
  std::vector<Sparse<T>> flows;     // the vanished rows' combinations, last variable first
  bool bezout = false;              // a pivot did not divide: the flows need reducing
  Elimination(size_t variables, size_t equations)
      : rows(variables), pivotAt(equations, -1), waiting(equations, 0), row(equations), combination(variables) {}
  void Add(const Sparse<T>& r, const Sparse<T>& c, const T& factor) {
    row.AddScaled(r, factor, [&](int32_t e) {
      if (pivotAt[static_cast<size_t>(e)] >= 0) queue.Push(pivotAt[static_cast<size_t>(e)]);
    });
    combination.AddScaled(c, factor, [](int32_t) {});
  }
};

// Replaces the pivot row and the row under reduction, which the pivot does not divide at its
// equation, by their Bezout combination (the new pivot row, its value the gcd) and the
// combination that clears the equation (the row, reduced further).
template <class T>
void BezoutStep(Elimination<T>& e, Pivot<T>& pivot) {
  const T a = e.row.value[static_cast<size_t>(pivot.equation)];
  const Sparse<T> r = e.row.Take(), c = e.combination.Take();
  T g, s, t;
  ExtendedGcd(pivot.value, a, g, s, t);
  Sparse<T> newRow = Combine(s, pivot.row, t, r), newCombination = Combine(s, pivot.combination, t, c);
  const T dg = pivot.value / g, ag = Neg(T(a / g));
  e.Add(Combine(dg, r, ag, pivot.row), Combine(dg, c, ag, pivot.combination), T(1));
  pivot.row = std::move(newRow);
  pivot.combination = std::move(newCombination);
  pivot.value = g;
  e.bezout = true;
}

// Reduces the row in the accumulator by the pivot rows, in their order of creation: each pivot
// clears its equation (the later ones have no cell at the earlier ones' equations).
template <class T>
void ReduceRow(Elimination<T>& e) {
  int32_t p = 0;
  while (e.queue.Pop(p)) {
    Pivot<T>& pivot = e.pivots[static_cast<size_t>(p)];
    const T& a = e.row.value[static_cast<size_t>(pivot.equation)];
    if (a == 0) continue;
    if (a % pivot.value == 0) e.Add(pivot.row, pivot.combination, Neg(T(a / pivot.value)));
    else BezoutStep(e, pivot);
  }
}

// The cell where a new pivot row takes its pivot: the smallest in size, then at the equation
// that the fewest variables still to come touch.
template <class T>
size_t ChoosePivot(const Elimination<T>& e, const Sparse<T>& r) {
  size_t best = 0;
  for (size_t k = 1; k < r.size(); ++k) {
    const T a = Abs(r[k].second), b = Abs(r[best].second);
    if (a < b || (a == b && e.waiting[static_cast<size_t>(r[k].first)] < e.waiting[static_cast<size_t>(r[best].first)]))
      best = k;
  }
  return best;
}

// One variable: its row, reduced, vanishes (a flow) or becomes a pivot row.
template <class T>
void Process(Elimination<T>& e, int32_t v) {
  const Sparse<T>& original = e.rows[static_cast<size_t>(v)];  // released once added
  for (const auto& cell : original) --e.waiting[static_cast<size_t>(cell.first)];
  e.Add(original, Sparse<T>{{v, T(1)}}, T(1));
  Sparse<T>().swap(e.rows[static_cast<size_t>(v)]);
  ReduceRow(e);
  Sparse<T> r = e.row.Take(), c = e.combination.Take();
  if (r.empty()) {
    if (c.front().second < 0) Negate(c);
    e.flows.push_back(std::move(c));
    return;
  }
  const size_t k = ChoosePivot(e, r);
  Pivot<T> pivot{r[k].first, r[k].second, std::move(r), std::move(c)};
  if (pivot.value < 0) {
    pivot.value = Neg(pivot.value);
    Negate(pivot.row);
    Negate(pivot.combination);
  }
  e.pivotAt[static_cast<size_t>(pivot.equation)] = static_cast<int32_t>(e.pivots.size());
  e.pivots.push_back(std::move(pivot));
}

// Reduces every flow above the pivots of the later ones (into [0, pivot)); the flows are in
// echelon form, by increasing first variable.
template <class T>
void ReduceAbovePivots(std::vector<Sparse<T>>& flows, size_t variables) {
  std::vector<int32_t> leaderOf(variables, -1);
  for (size_t j = 0; j < flows.size(); ++j) leaderOf[static_cast<size_t>(flows[j].front().first)] = static_cast<int32_t>(j);
  Accumulator<T> acc(variables);
  LeaderQueue queue;
  for (size_t i = flows.size(); i-- > 0;) {
    auto onTouch = [&](int32_t at) {
      if (leaderOf[static_cast<size_t>(at)] > static_cast<int32_t>(i)) queue.Push(leaderOf[static_cast<size_t>(at)]);
    };
    acc.AddScaled(flows[i], T(1), onTouch);
    for (int32_t j = 0; queue.Pop(j);) {
      const Sparse<T>& lower = flows[static_cast<size_t>(j)];
      const T q = FloorDiv(acc.value[static_cast<size_t>(lower.front().first)], lower.front().second);
      if (q != 0) acc.AddScaled(lower, Neg(q), onTouch);
    }
    flows[i] = acc.Take();
  }
}

// The basis in T arithmetic, variables by position (number - 1).
template <class T>
std::vector<Sparse<T>> Solve(const RowCells& cells, size_t variables) {
  Elimination<T> e(variables, cells.cols.size());
  for (size_t i = 0; i < cells.rows.size(); ++i) {
    Sparse<T>& row = e.rows[static_cast<size_t>(cells.rows.ids[i]) - 1];
    for (size_t k = cells.start[i]; k < cells.start[i + 1]; ++k) {
      row.emplace_back(cells.cells[k].col, T(cells.cells[k].value));
      ++e.waiting[static_cast<size_t>(cells.cells[k].col)];
    }
  }
  for (size_t v = variables; v-- > 0;) Process(e, static_cast<int32_t>(v));
  std::reverse(e.flows.begin(), e.flows.end());
  if (e.bezout) ReduceAbovePivots(e.flows, variables);
  return std::move(e.flows);
}

// The basis with variable numbers and coefficients of type C.
template <class C, class T>
std::vector<FlowOf<C>> Numbered(std::vector<Sparse<T>> flows) {
  std::vector<FlowOf<C>> out(flows.size());
  for (size_t i = 0; i < flows.size(); ++i) {
    out[i].reserve(flows[i].size());
    for (auto& [at, v] : flows[i]) {
      if constexpr (std::is_same_v<C, T>) out[i].emplace_back(at + 1, std::move(v));
      else out[i].emplace_back(at + 1, ToMpz(v));
    }
    Sparse<T>().swap(flows[i]);
  }
  return out;
}

void CheckNumbers(const std::vector<Element>& matrix, int32_t variables) {
  for (const Element& e : matrix)
    if (e.row < 1 || e.row > variables)
      Fail(kExitInput, "*** element number " + std::to_string(e.row) + " out of range\n");
}

std::string Decimal(int64_t v) { return std::to_string(v); }
std::string Decimal(const mpz_class& v) { return v.get_str(); }

}  // namespace

FlowBasis IntegerFlows(const std::vector<Element>& matrix, int32_t variables) {
  CheckNumbers(matrix, variables);
  const RowCells cells = LoadRows(matrix, "flows", "flows");
  const size_t n = static_cast<size_t>(std::max(variables, 0));
  try {
    try {
      return FlowBasis(Numbered<int64_t>(Solve<int64_t>(cells, n)));
    } catch (const Overflow&) {
    }
    try {
      return FlowBasis(Numbered<mpz_class>(Solve<Int128>(cells, n)));
    } catch (const Overflow&) {
    }
    return FlowBasis(Numbered<mpz_class>(Solve<mpz_class>(cells, n)));
  } catch (const std::bad_alloc&) {
    FailMemory("flows");
  }
}

SolutionDigest WriteFlows(std::FILE* file, const FlowBasis& basis) {
  return std::visit(
      [&](const auto& flows) {
        SolutionDigest digest;
        for (size_t i = 0; i < flows.size(); ++i) {
          std::string lines;
          for (const auto& [at, v] : flows[i]) {
            lines += std::to_string(i + 1) + ' ' + std::to_string(at) + ' ' + Decimal(v) + '\n';
            if (v > 0) digest.covered.push_back(at);
          }
          WriteText(file, lines);
        }
        digest.last = flows.size();
        std::sort(digest.covered.begin(), digest.covered.end());
        digest.covered.erase(std::unique(digest.covered.begin(), digest.covered.end()), digest.covered.end());
        return digest;
      },
      basis);
}

SolutionDigest IntegerFlowsFile(const std::string& input, int32_t variables, const std::string& output) {
  File in = OpenFile(input, "r");
  File out = OpenFile(output, "w");
  const std::vector<Element> matrix = ReadElements(in.get(), input);
  in.reset();
  const SolutionDigest digest = WriteFlows(out.get(), IntegerFlows(matrix, variables));
  std::fflush(out.get());
  return digest;
}

}  // namespace pelorin
