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
#include "matrix/exactint.h"
#include "solver/flowsparse.h"

namespace pelorin {

namespace {

using exact::Abs;
using exact::ExtendedGcd;
using exact::FloorDiv;
using exact::Int128;
using exact::Neg;
using exact::Overflow;
using exact::ToMpz;
using flowsparse::Accumulator;
using flowsparse::Combine;
using flowsparse::LeaderQueue;
using flowsparse::Negate;
using flowsparse::Sparse;

// A combination of variables, as a node of a graph: `coefficient` times the variable `var`
// (none when -1) plus multiples of earlier nodes. The combinations of the pivot rows share
// their common parts this way; written out, those of a long chain would fill memory.
template <class T>
struct Node {
  int32_t var = -1;
  T coefficient;
  Sparse<T> earlier;  // (node, factor), nodes created before this one
};

// A pivot row: its equation and value (> 0), the row, and the node of its combination.
template <class T>
struct Pivot {
  int32_t equation = 0;
  T value;
  Sparse<T> row;
  int32_t node = 0;
};

// The state of the elimination.
template <class T>
struct Elimination {
  std::vector<Sparse<T>> rows;   // per variable position (number - 1): its row of A
  std::vector<int32_t> pivotAt;  // per equation position: the pivot holding it, -1
  std::vector<Pivot<T>> pivots;  // in order of creation
  std::vector<int32_t> waiting;  // per equation position: variables still to come with a cell there
  std::vector<Node<T>> nodes;    // the combinations, in order of creation
  Accumulator<T> row;            // the row under reduction
  int32_t current = 0;           // its variable
  T own;                         // and the row's combination: `own` times that variable
  Accumulator<T> combination;    // plus these multiples of nodes
  LeaderQueue<> queue;           // pivots to apply to the row
  std::vector<int32_t> flows;    // the nodes of the vanished rows, last variable first
  bool bezout = false;           // a pivot did not divide: the flows need reducing
  bool busiest = false;          // the rule of ChoosePivot
  Elimination(size_t variables, size_t equations, bool rule)
      : rows(variables), pivotAt(equations, -1), waiting(equations, 0), row(equations), combination(0), busiest(rule) {}
  void AddRow(const Sparse<T>& r, const T& factor) {
    row.AddScaled(r, factor, [&](int32_t at) {
      if (pivotAt[static_cast<size_t>(at)] >= 0) queue.Push(pivotAt[static_cast<size_t>(at)]);
    });
  }
  void AddNode(int32_t node, const T& factor) {
    combination.Grow(nodes.size());
    combination.AddScaled(Sparse<T>{{node, T(1)}}, factor, [](int32_t) {});
  }
  // A new node; returns its number.
  int32_t NewNode(int32_t var, T coefficient, Sparse<T> earlier) {
    nodes.push_back({var, std::move(coefficient), std::move(earlier)});
    return static_cast<int32_t>(nodes.size() - 1);
  }
  // The row's combination as a node; the row then stands for that node alone.
  int32_t TakeCombination() {
    const int32_t node = NewNode(current, own, combination.Take());
    own = T(0);
    return node;
  }
};

// Replaces the pivot row and the row under reduction, which the pivot does not divide at its
// equation, by their Bezout combination (the new pivot row, its value the gcd) and the
// combination that clears the equation (the row, reduced further).
template <class T>
void BezoutStep(Elimination<T>& e, Pivot<T>& pivot) {
  const T a = e.row.value[static_cast<size_t>(pivot.equation)];
  const Sparse<T> r = e.row.Take();
  const int32_t node = e.TakeCombination();
  T g, s, t;
  ExtendedGcd(pivot.value, a, g, s, t);
  const T dg = pivot.value / g, ag = Neg(T(a / g));
  e.AddRow(Combine(dg, r, ag, pivot.row), T(1));
  e.AddNode(node, dg);
  e.AddNode(pivot.node, ag);
  pivot.row = Combine(s, pivot.row, t, r);
  pivot.node = e.NewNode(-1, T(0), Sparse<T>{{pivot.node, s}, {node, t}});
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
    if (a % pivot.value != 0) {
      BezoutStep(e, pivot);
      continue;
    }
    const T factor = Neg(T(a / pivot.value));
    e.AddRow(pivot.row, factor);
    e.AddNode(pivot.node, factor);
  }
}

// The cell where a new pivot row takes its pivot: the smallest in size, then at the equation
// that the fewest (with `busiest`, the most) variables still to come touch.
template <class T>
size_t ChoosePivot(const Elimination<T>& e, const Sparse<T>& r) {
  size_t best = 0;
  for (size_t k = 1; k < r.size(); ++k) {
    const T a = Abs(r[k].second), b = Abs(r[best].second);
    const int32_t wa = e.waiting[static_cast<size_t>(r[k].first)], wb = e.waiting[static_cast<size_t>(r[best].first)];
    if (a < b || (a == b && (e.busiest ? wa > wb : wa < wb))) best = k;
  }
  return best;
}

// One variable: its row, reduced, vanishes (a flow) or becomes a pivot row.
template <class T>
void Process(Elimination<T>& e, int32_t v) {
  const Sparse<T>& original = e.rows[static_cast<size_t>(v)];  // released once added
  for (const auto& cell : original) --e.waiting[static_cast<size_t>(cell.first)];
  e.current = v;
  e.own = T(1);
  e.AddRow(original, T(1));
  Sparse<T>().swap(e.rows[static_cast<size_t>(v)]);
  ReduceRow(e);
  Sparse<T> r = e.row.Take();
  if (r.empty()) {
    e.flows.push_back(e.TakeCombination());
    return;
  }
  const size_t k = ChoosePivot(e, r);
  Pivot<T> pivot{r[k].first, r[k].second, std::move(r), e.TakeCombination()};
  if (pivot.value < 0) {
    pivot.value = Neg(pivot.value);
    Negate(pivot.row);
    Node<T>& node = e.nodes.back();
    node.coefficient = Neg(node.coefficient);
    Negate(node.earlier);
  }
  e.pivotAt[static_cast<size_t>(pivot.equation)] = static_cast<int32_t>(e.pivots.size());
  e.pivots.push_back(std::move(pivot));
}

// The combination of variables that a node stands for, written out: its multiples of earlier
// nodes are passed down from the latest node to the earliest.
template <class T>
Sparse<T> WriteOut(const std::vector<Node<T>>& nodes, int32_t node, Accumulator<T>& weight, Accumulator<T>& out,
                   LeaderQueue<std::less<int32_t>>& queue) {
  weight.AddScaled(Sparse<T>{{node, T(1)}}, T(1), [&](int32_t at) { queue.Push(at); });
  for (int32_t i = 0; queue.Pop(i);) {
    const T w = weight.value[static_cast<size_t>(i)];
    const Node<T>& n = nodes[static_cast<size_t>(i)];
    if (w == 0) continue;
    if (n.var >= 0) out.AddScaled(Sparse<T>{{n.var, n.coefficient}}, w, [](int32_t) {});
    weight.AddScaled(n.earlier, w, [&](int32_t at) { queue.Push(at); });
  }
  weight.Take();
  Sparse<T> flow = out.Take();
  if (flow.front().second < 0) Negate(flow);
  return flow;
}

// Reduces every flow above the pivots of the later ones (into [0, pivot)); the flows are in
// echelon form, by increasing first variable.
template <class T>
void ReduceAbovePivots(std::vector<Sparse<T>>& flows, size_t variables) {
  std::vector<int32_t> leaderOf(variables, -1);
  for (size_t j = 0; j < flows.size(); ++j) leaderOf[static_cast<size_t>(flows[j].front().first)] = static_cast<int32_t>(j);
  Accumulator<T> acc(variables);
  LeaderQueue<> queue;
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
std::vector<Sparse<T>> Solve(const RowCells& cells, size_t variables, bool busiest = false) {
  Elimination<T> e(variables, cells.cols.size(), busiest);
  for (size_t i = 0; i < cells.rows.size(); ++i) {
    Sparse<T>& row = e.rows[static_cast<size_t>(cells.rows.ids[i]) - 1];
    for (size_t k = cells.start[i]; k < cells.start[i + 1]; ++k) {
      row.emplace_back(cells.cells[k].col, T(cells.cells[k].value));
      ++e.waiting[static_cast<size_t>(cells.cells[k].col)];
    }
  }
  for (size_t v = variables; v-- > 0;) Process(e, static_cast<int32_t>(v));
  std::vector<Sparse<T>>().swap(e.rows);
  std::vector<Pivot<T>>().swap(e.pivots);
  Accumulator<T> weight(e.nodes.size()), out(variables);
  LeaderQueue<std::less<int32_t>> queue;
  std::vector<Sparse<T>> flows;
  flows.reserve(e.flows.size());
  for (size_t i = e.flows.size(); i-- > 0;) flows.push_back(WriteOut(e.nodes, e.flows[i], weight, out, queue));
  if (e.bezout) ReduceAbovePivots(flows, variables);
  return flows;
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
    for (const bool busiest : {false, true}) {
      try {
        return FlowBasis(Numbered<int64_t>(Solve<int64_t>(cells, n, busiest)));
      } catch (const Overflow&) {
      }
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

SolutionDigest IntegerFlowsFile(const std::vector<Element>& matrix, int32_t variables, const std::string& output) {
  File out = OpenFile(output, "w");
  const SolutionDigest digest = WriteFlows(out.get(), IntegerFlows(matrix, variables));
  CloseFile(out, output);
  return digest;
}

}  // namespace pelorin
