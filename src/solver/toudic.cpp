// Toudic's method over sparse working rows; the contract is in toudic.h.
#include "solver/toudic.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <unordered_set>
#include <utility>

#include "matrix/exactint.h"
#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin {

namespace {

// The system as read: the input's row and column numbers and the starting working rows.
struct System {
  IndexList rows;   // rows.ids[v]: the input row number of variable v (0-based)
  IndexList cols;   // cols.ids[j]: the input column number of equation j (0-based)
  WorkRows work;    // work[i].c: input row i summed per column; work[i].x: set by SetUnitVariableParts
};

Signature SignatureOf(const SparseRow& x) {
  Signature signature;
  for (const Entry& e : x) {
    const uint64_t pos = static_cast<uint64_t>(e.pos);
    signature.compact |= uint64_t{1} << ((pos * 0x9E3779B97F4A7C15ull) >> 58);
    const uint64_t bit = pos % (64 * Signature::kWords);
    signature.wide[bit / 64] |= uint64_t{1} << (bit % 64);
  }
  return signature;
}

// Whether every bit of `a` is among those of `b`.
bool BitsWithin(uint64_t a, uint64_t b) { return (a & ~b) == 0; }

bool BitsWithin(const std::array<uint64_t, Signature::kWords>& a, const std::array<uint64_t, Signature::kWords>& b) {
  uint64_t outside = 0;
  for (size_t w = 0; w < Signature::kWords; ++w) outside |= a[w] & ~b[w];
  return outside == 0;
}

// Entry of `row` at `pos`, 0 when absent.
int32_t ValueAt(const SparseRow& row, int32_t pos) {
  auto it = std::lower_bound(row.begin(), row.end(), pos, [](const Entry& e, int32_t p) { return e.pos < p; });
  return it != row.end() && it->pos == pos ? it->value : 0;
}

// Equation part of one input row: its (column, value) pairs in file order, summed per column
// in that order (a sum outside 32 bits is an overflow), zero sums left out.
SparseRow SumCells(std::vector<Entry>& cells) {
  std::stable_sort(cells.begin(), cells.end(), [](const Entry& a, const Entry& b) { return a.pos < b.pos; });
  SparseRow row;
  for (size_t k = 0; k < cells.size();) {
    int32_t sum = 0;
    size_t end = k;
    for (; end < cells.size() && cells[end].pos == cells[k].pos; ++end) sum = CheckedAdd(sum, cells[end].value);
    if (sum != 0) row.push_back({cells[k].pos, sum});
    k = end;
  }
  return row;
}

// The matrix of `elements`: variables and equations numbered by first appearance, cells summed.
System BuildSystem(const std::vector<Element>& elements) {
  return WithMemory("rows,cols,C", [&] {
    System system;
    std::vector<std::vector<Entry>> cells;
    for (const Element& e : elements) {
      const size_t row = static_cast<size_t>(system.rows.Add(e.row));
      const int32_t col = system.cols.Add(e.col);
      if (row == cells.size()) cells.emplace_back();
      cells[row].push_back({col, e.value});
    }
    system.work.resize(cells.size());
    for (size_t i = 0; i < cells.size(); ++i) system.work[i].c = SumCells(cells[i]);
    return system;
  });
}

// b * u + a * v over two sparse rows; a product or a sum outside 32 bits is an overflow.
SparseRow Combine(const SparseRow& u, int64_t b, const SparseRow& v, int64_t a) {
  SparseRow out;
  out.reserve(u.size() + v.size());
  size_t i = 0, k = 0;
  while (i < u.size() || k < v.size()) {
    if (k == v.size() || (i < u.size() && u[i].pos < v[k].pos)) {
      out.push_back({u[i].pos, Narrow32(b * u[i].value)});
      ++i;
    } else if (i == u.size() || v[k].pos < u[i].pos) {
      out.push_back({v[k].pos, Narrow32(a * v[k].value)});
      ++k;
    } else {
      const int64_t sum = int64_t{Narrow32(b * u[i].value)} + Narrow32(a * v[k].value);
      if (sum != 0) out.push_back({u[i].pos, Narrow32(sum)});
      ++i;
      ++k;
    }
  }
  return out;
}

// The multipliers that cancel column `col` in b * p + a * n: a = |p[col]| and b = |n[col]|,
// both divided by their gcd when it is > 1.
struct Multipliers {
  int64_t a = 0;
  int64_t b = 0;
};

Multipliers MultipliersOf(const WorkRow& p, const WorkRow& n, int32_t col) {
  Multipliers m{Magnitude(ValueAt(p.c, col)), Magnitude(ValueAt(n.c, col))};
  const int64_t g = exact::Gcd(m.a, m.b);
  if (g > 1) {
    m.a /= g;
    m.b /= g;
  }
  return m;
}

// The variable part of the combination, divided by its gcd when that is > 1; `divisor`
// receives the divisor (1 when none).
//
// The rule divides both parts when the variable gcd gx is > 1 and the equation gcd gc is 0 or
// > 1, by gx when gc = 0 and by gcd(gc, gx) otherwise. Every equation part is its variable part
// applied to the input matrix (exactly so: any overflow ends the run), so gx divides gc: the
// rule always divides by gx when gx > 1, and the equation part can follow later.
SparseRow CombineVariables(const WorkRow& p, const WorkRow& n, const Multipliers& m, int64_t& divisor) {
  SparseRow x = Combine(p.x, m.b, n.x, m.a);
  divisor = RowGcd(x);
  if (divisor > 1) {
    DivideRow(x, divisor);
  } else {
    divisor = 1;
  }
  return x;
}

// The equation part of the combination, divided by the divisor of its variable part.
SparseRow CombineEquations(const WorkRow& p, const WorkRow& n, const Multipliers& m, int64_t divisor) {
  SparseRow c = Combine(p.c, m.b, n.c, m.a);
  if (divisor > 1) DivideRow(c, divisor);
  return c;
}

// Largest magnitude of the entries of a row.
int64_t LargestMagnitude(const SparseRow& row) {
  int64_t largest = 0;
  for (const Entry& e : row) largest = std::max(largest, Magnitude(e.value));
  return largest;
}

// The equation part of a dropped row was never formed; it must still end the run when forming
// it would have overflowed. No product or sum can when b * max|p| + a * max|n| fits in 32 bits
// (each product is below 2^62, so the test itself cannot overflow).
void CheckEquations(const WorkRow& p, int64_t largestP, const WorkRow& n, int64_t largestN, const Multipliers& m) {
  constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
  const int64_t productP = m.b * largestP, productN = m.a * largestN;
  if (productP > kLimit || productN > kLimit || productP + productN > kLimit) Combine(p.c, m.b, n.c, m.a);
}

// Frees the lists of a set whose elimination is over; its working rows stay.
void FreeLists(WorkingSet& set) {
  set.column = {};
  set.containing = SupportIndex();
  set.keyed = SupportIndex();
  set.wide = {};
}

// The number of solution lines of a finished set: the entries of its working rows' variable parts.
size_t SolutionLines(const WorkingSet& set) {
  size_t lines = 0;
  for (size_t id = 0; id < set.rows.size(); ++id)
    if (set.alive[id]) lines += set.rows[id].x.size();
  return lines;
}

// `put`(solution number, input row number, value) for every non-zero coefficient of every
// working row, in order. The set is spent: each row is freed once put, so that the solutions in
// memory never add much to the rows they come from.
template <class Put>
void PutSolutions(WorkingSet& set, const IndexList& variables, Put&& put) {
  int32_t number = 0;
  for (size_t id = 0; id < set.rows.size(); ++id) {
    if (!set.alive[id]) continue;
    ++number;
    for (const Entry& e : set.rows[id].x) put(number, variables.ids[static_cast<size_t>(e.pos)], e.value);
    set.rows[id] = WorkRow{};
  }
}

}  // namespace

void SetUnitVariableParts(WorkRows& rows) {
  for (size_t i = 0; i < rows.size(); ++i) rows[i].x = {Entry{static_cast<int32_t>(i), 1}};
}

int64_t RowGcd(const SparseRow& v) {
  int64_t g = 0;
  for (const Entry& e : v) {
    if (e.value != 0) g = exact::Gcd(g, Magnitude(e.value));
    if (g == 1) break;  // it cannot get smaller
  }
  return g;
}

void DivideRow(SparseRow& v, int64_t divisor) {
  for (Entry& e : v) {
    if (e.value != 0) e.value = static_cast<int32_t>(e.value / divisor);
  }
}

namespace {

size_t At(int32_t id) { return static_cast<size_t>(id); }

// Counts the sign of a column entry of a row that comes (+1) or goes (-1); a column left with
// one sign is marked for the next look of SingleSignRows.
void CountSign(WorkingSet& set, const Entry& e, int32_t delta) {
  const size_t j = At(e.pos);
  (e.value > 0 ? set.positive[j] : set.negative[j]) += delta;
  if (!set.isChanged[j]) {
    set.isChanged[j] = 1;
    set.changed.push_back(e.pos);
  }
  if ((set.positive[j] == 0) != (set.negative[j] == 0) && !set.isPending[j]) {
    set.isPending[j] = 1;
    set.pending.push_back(e.pos);
  }
}

// The variable of x with the shortest `containing` list (x non-empty).
int32_t Rarest(const WorkingSet& set, const SparseRow& x) {
  return SupportIndex::Rarest(x, [&](int32_t v) { return set.containing.Size(At(v)); }, &Entry::pos);
}

// Enters row `id` in the column and variable lists.
void ListRow(WorkingSet& set, int32_t id, uint64_t compact) {
  const WorkRow& row = set.rows[At(id)];
  for (const Entry& e : row.c) set.column[At(e.pos)].push_back({id, e.value});
  if (row.x.empty()) return;
  set.keyed.Add(At(Rarest(set, row.x)), id, compact);
  for (const Entry& e : row.x) set.containing.Add(At(e.pos), id, compact);
  set.indexed += row.c.size() + row.x.size();
}

int32_t AppendRow(WorkingSet& set, WorkRow row, const Signature& signature) {
  const int32_t id = static_cast<int32_t>(set.rows.size());
  set.used += row.c.size() + row.x.size();
  set.rows.push_back(std::move(row));
  set.wide.push_back(signature.wide);
  set.alive.push_back(1);
  ++set.live;
  for (const Entry& e : set.rows[At(id)].c) CountSign(set, e, +1);
  ListRow(set, id, signature.compact);
  return id;
}

// Takes row `id` out of the working rows; its parts stay until Release.
void Unlink(WorkingSet& set, int32_t id) {
  set.alive[At(id)] = 0;
  --set.live;
  const WorkRow& row = set.rows[At(id)];
  for (const Entry& e : row.c) CountSign(set, e, -1);
  set.used -= row.c.size() + row.x.size();
}

void Release(WorkingSet& set, int32_t id) { set.rows[At(id)] = WorkRow{}; }

void Remove(WorkingSet& set, int32_t id) {
  Unlink(set, id);
  Release(set, id);
}

// The lists keep the ids of removed rows until these outnumber the working rows' entries and
// the lists themselves; then they are built anew from the working rows.
void TidyLists(WorkingSet& set) {
  if (set.indexed <= 2 * set.used + set.nc + set.nx) return;
  for (auto& list : set.column) list.clear();
  set.containing.Clear();
  set.keyed.Clear();
  set.indexed = 0;
  for (size_t id = 0; id < set.rows.size(); ++id) {
    if (set.alive[id]) ListRow(set, static_cast<int32_t>(id), SignatureOf(set.rows[id].x).compact);
  }
}

// Whether a lies componentwise <= b, for rows with non-negative entries.
bool LiesBelow(const SparseRow& a, const SparseRow& b) {
  if (a.size() > b.size()) return false;
  size_t k = 0;
  for (const Entry& e : a) {
    while (k < b.size() && b[k].pos < e.pos) ++k;
    if (k == b.size() || b[k].pos != e.pos || b[k].value < e.value) return false;
    ++k;
  }
  return true;
}

// Whether working row `id` lies <= x, whose signature is given.
bool RowLiesBelow(const WorkingSet& set, int32_t id, const SparseRow& x, const Signature& signature) {
  return set.alive[At(id)] && BitsWithin(set.wide[At(id)], signature.wide) && LiesBelow(set.rows[At(id)].x, x);
}

// Whether some working row lies <= x. Such a row uses only variables of x, its key among them.
// The rows that lately showed this for other rows are tried first.
bool HasRowBelow(WorkingSet& set, const SparseRow& x, const Signature& signature) {
  for (int32_t id : set.witnesses) {
    if (id >= 0 && RowLiesBelow(set, id, x, signature)) return true;
  }
  const auto below = [&](int32_t id) { return RowLiesBelow(set, id, x, signature); };
  for (const Entry& e : x) {
    const int32_t id = set.keyed.Find(At(e.pos), ~signature.compact, below);
    if (id >= 0) {
      std::copy_backward(set.witnesses.begin(), set.witnesses.end() - 1, set.witnesses.end());
      set.witnesses[0] = id;
      return true;
    }
  }
  return false;
}

// Removes the working rows that lie >= x. They use every variable of x; the list of the rarest
// one is searched.
void RemoveRowsAbove(WorkingSet& set, const SparseRow& x, const Signature& signature) {
  if (x.empty()) return;
  for (const Posting& posting : set.containing.List(At(Rarest(set, x)))) {
    const size_t id = At(posting.id);
    if (BitsWithin(signature.compact, posting.sig) && set.alive[id] && BitsWithin(signature.wide, set.wide[id]) &&
        LiesBelow(x, set.rows[id].x)) {
      Remove(set, posting.id);
    }
  }
}

// The ids of the working rows in column j (0-based) with the sign of `sign`.
std::vector<int32_t> RowsOfSign(const WorkingSet& set, size_t j, int sign) {
  std::vector<int32_t> ids;
  for (const Entry& e : set.column[j]) {
    if (set.alive[At(e.pos)] && (e.value > 0) == (sign > 0)) ids.push_back(e.pos);
  }
  return ids;
}

// Admits a new row with variable part x unless a working row lies <= it (see
// FilterNewSolution); `equations` makes its equation part when it is admitted.
template <class MakeEquations>
bool Admit(WorkingSet& set, SparseRow x, MakeEquations&& equations) {
  const Signature signature = SignatureOf(x);
  if (HasRowBelow(set, x, signature)) return false;
  WorkRow row{equations(), std::move(x)};
  RemoveRowsAbove(set, row.x, signature);
  AppendRow(set, std::move(row), signature);
  return true;
}

// Combines positive row p and negative row n to cancel column `col` and passes the result
// through the filter. Appending may move the rows, so they are looked up anew after it.
void CombinePair(WorkingSet& set, int32_t p, int64_t largestP, int32_t n, int64_t largestN, int32_t col) {
  const Multipliers m = MultipliersOf(set.rows[At(p)], set.rows[At(n)], col);
  int64_t divisor = 1;
  SparseRow x = CombineVariables(set.rows[At(p)], set.rows[At(n)], m, divisor);
  const bool admitted =
      Admit(set, std::move(x), [&] { return CombineEquations(set.rows[At(p)], set.rows[At(n)], m, divisor); });
  if (!admitted) CheckEquations(set.rows[At(p)], largestP, set.rows[At(n)], largestN, m);
}

// Where the elimination stands, for the observer of its progress (none: nothing is told).
struct Told {
  ProgressObserver* observer = nullptr;
  size_t step = 0;   // the columns eliminated so far
  size_t steps = 0;  // the equations
  void operator()(const WorkingSet& set) const {
    if (observer != nullptr) observer->Step("solving", step, steps, set.live);
  }
};

// One elimination step on column `col` (0-based): the rows non-zero there leave the working
// rows; each positive row p (outer loop) with each negative row n (inner loop) gives a
// combination that passes the filter. `told` hears of it every few thousand pairs.
void EliminateColumn(WorkingSet& set, int32_t col, const std::vector<int32_t>& positiveRows,
                     const std::vector<int32_t>& negativeRows, const Told& told) {
  WithMemory("C1,X1", [&] {
    for (int32_t id : positiveRows) Unlink(set, id);
    for (int32_t id : negativeRows) Unlink(set, id);
    std::vector<int64_t> largestP, largestN;
    for (int32_t id : positiveRows) largestP.push_back(LargestMagnitude(set.rows[At(id)].c));
    for (int32_t id : negativeRows) largestN.push_back(LargestMagnitude(set.rows[At(id)].c));
    size_t pairs = 0;
    for (size_t i = 0; i < positiveRows.size(); ++i) {
      for (size_t k = 0; k < negativeRows.size(); ++k) {
        CombinePair(set, positiveRows[i], largestP[i], negativeRows[k], largestN[k], col);
        if ((++pairs & 4095) == 0) told(set);
      }
    }
    for (int32_t id : positiveRows) Release(set, id);
    for (int32_t id : negativeRows) Release(set, id);
    TidyLists(set);
  });
}

}  // namespace

WorkingSet MakeWorkingSet(size_t nc, size_t nx) {
  WorkingSet set;
  set.nc = nc;
  set.nx = nx;
  set.column.resize(nc);
  set.positive.assign(nc, 0);
  set.negative.assign(nc, 0);
  set.isPending.assign(nc, 0);
  set.choice = Tournament(nc);
  set.isChanged.assign(nc, 0);
  set.containing = SupportIndex(nx);
  set.keyed = SupportIndex(nx);
  return set;
}

int32_t AddRow(WorkingSet& set, WorkRow row) {
  const Signature signature = SignatureOf(row.x);
  return AppendRow(set, std::move(row), signature);
}

std::vector<int32_t> SingleSignRows(WorkingSet& set) {
  return WithMemory("Iz", [&] {
    std::vector<int32_t> columns;
    columns.swap(set.pending);
    for (int32_t j : columns) set.isPending[At(j)] = 0;
    std::sort(columns.begin(), columns.end());
    std::vector<int32_t> singleSign;
    std::unordered_set<int32_t> listed;
    for (int32_t j : columns) {
      if ((set.positive[At(j)] == 0) == (set.negative[At(j)] == 0)) continue;
      for (const Entry& e : set.column[At(j)]) {
        if (set.alive[At(e.pos)] && listed.insert(e.pos).second) singleSign.push_back(e.pos);
      }
    }
    return singleSign;
  });
}

void RemoveRows(WorkingSet& set, const std::vector<int32_t>& singleSign) {
  for (int32_t id : singleSign) Remove(set, id);
}

bool ChooseColumn(WorkingSet& set, int32_t& col, std::vector<int32_t>& positiveRows,
                  std::vector<int32_t>& negativeRows) {
  // a column's key is set with its path, or, when many changed, all the paths are rebuilt at once
  const bool many = set.changed.size() * 64 > set.choice.Positions();
  for (int32_t c : set.changed) {
    const size_t j = At(c);
    const uint64_t positive = static_cast<uint64_t>(set.positive[j]), negative = static_cast<uint64_t>(set.negative[j]);
    const uint64_t key = positive + negative > 0 ? positive * negative : Tournament::kNone;
    if (many) set.choice.Assign(j, key);
    else set.choice.Set(j, key);
    set.isChanged[j] = 0;
  }
  if (many) set.choice.Rebuild();
  set.changed.clear();
  // the least product below live * live, the first such column on ties
  col = 0;
  const size_t best = set.choice.Best();
  if (set.nc > 0 && set.choice.Key(best) < uint64_t{set.live} * set.live) col = static_cast<int32_t>(best + 1);
  if (col == 0) return false;
  WithMemory("Ip,Im", [&] {
    positiveRows = RowsOfSign(set, At(col - 1), +1);
    negativeRows = RowsOfSign(set, At(col - 1), -1);
  });
  return true;
}

bool FilterNewSolution(WorkingSet& set, WorkRow row) {
  return Admit(set, std::move(row.x), [&] { return std::move(row.c); });
}

WorkRows WorkingRows(const WorkingSet& set) {
  WorkRows rows;
  for (size_t id = 0; id < set.rows.size(); ++id) {
    if (set.alive[id]) rows.push_back(set.rows[id]);
  }
  return rows;
}

namespace {

// The whole method on the system: the starting rows, then erasure and elimination steps until
// no column is left; returns the final set, its lists freed, whose working rows are the
// solutions. `progress` (when given) hears of the steps.
WorkingSet Solve(System& system, ProgressObserver* progress) {
  WorkingSet set = WithMemory("X", [&] {
    SetUnitVariableParts(system.work);
    WorkingSet start = MakeWorkingSet(system.cols.size(), system.rows.size());
    for (WorkRow& row : system.work) AddRow(start, std::move(row));
    return start;
  });
  std::vector<int32_t> positiveRows, negativeRows;
  int32_t col = 0;
  Told told{progress, 0, system.cols.size()};
  for (;; ++told.step) {
    told(set);
    for (std::vector<int32_t> singleSign = SingleSignRows(set); !singleSign.empty(); singleSign = SingleSignRows(set))
      RemoveRows(set, singleSign);
    if (!ChooseColumn(set, col, positiveRows, negativeRows)) break;
    EliminateColumn(set, col - 1, positiveRows, negativeRows, told);
  }
  FreeLists(set);
  return set;
}

// The solutions of the system written to the open solution file `output`.
void SolveInto(System& system, File& out, const std::string& output, ProgressObserver* progress) {
  WorkingSet set = Solve(system, progress);
  PutSolutions(set, system.rows,
               [&](int32_t number, int32_t row, int32_t value) { WriteElement(out.get(), number, row, value); });
  CloseFile(out, output);
}

}  // namespace

void Toudic(const std::vector<Element>& matrix, const std::string& output, ProgressObserver* progress) {
  File out = OpenFile(output, "w");
  System system = BuildSystem(matrix);
  SolveInto(system, out, output, progress);
}

std::vector<Element> GeneratingSetOf(const std::vector<Element>& matrix, ProgressObserver* progress) {
  System system = BuildSystem(matrix);
  return WithMemory("X", [&] {
    WorkingSet set = Solve(system, progress);
    std::vector<Element> solutions;
    solutions.reserve(SolutionLines(set));
    PutSolutions(set, system.rows, [&](int32_t number, int32_t row, int32_t value) {
      solutions.push_back({number, row, value});
    });
    return solutions;
  });
}

}  // namespace pelorin
