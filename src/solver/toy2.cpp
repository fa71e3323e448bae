// Toudic's method over sparse working rows; the contract is in toy2.h.
#include "solver/toy2.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "run/failure.h"

namespace pelorin {

namespace {

// The system as read: the input's row and column numbers and the starting working rows.
struct System {
  IndexList rows;   // rows.ids[v]: the input row number of variable v (0-based)
  IndexList cols;   // cols.ids[j]: the input column number of equation j (0-based)
  WorkRows work;    // work[i].c: input row i summed per column; work[i].x: set by onex
};

// A 64-bit value that must fit in 32 bits, else the run ends with the overflow message.
int32_t Narrow(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) FailOverflow();
  return static_cast<int32_t>(value);
}

// Bit of a variable position in a row signature.
uint64_t SignatureBit(int32_t pos) {
  return uint64_t{1} << ((static_cast<uint64_t>(pos) * 0x9E3779B97F4A7C15ull) >> 58);
}

uint64_t SignatureOf(const SparseRow& x) {
  uint64_t signature = 0;
  for (const Entry& e : x) signature |= SignatureBit(e.pos);
  return signature;
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

// Reads the matrix: variables and equations numbered by first appearance, cells summed.
System ReadSystem(std::FILE* file, const std::string& name) {
  std::vector<Element> elements = WithMemory("rows,cols", [&] { return ReadElements(file, name); });
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

// Per column: the rows (0-based, increasing) with a positive and with a negative entry.
struct ColumnSigns {
  std::vector<std::vector<int32_t>> positive;
  std::vector<std::vector<int32_t>> negative;
};

ColumnSigns SignsOfColumns(const WorkRows& rows, size_t nc) {
  ColumnSigns signs;
  signs.positive.resize(nc);
  signs.negative.resize(nc);
  for (size_t i = 0; i < rows.size(); ++i) {
    for (const Entry& e : rows[i].c) {
      auto& list = e.value > 0 ? signs.positive[static_cast<size_t>(e.pos)] : signs.negative[static_cast<size_t>(e.pos)];
      list.push_back(static_cast<int32_t>(i));
    }
  }
  return signs;
}

// Rows with a non-zero entry in a single-sign column cannot take part in a solution; erasing
// them may leave further single-sign columns. Erases until none is left, which is the fixpoint
// of findzero and erasezero: the largest set of rows in which every non-zero column has both
// signs. Each column is looked at once it has lost one of its signs.
void EraseSingleSignRows(WorkRows& rows, size_t nc) {
  const ColumnSigns signs = WithMemory("Iz", [&] { return SignsOfColumns(rows, nc); });
  std::vector<size_t> positive(nc), negative(nc);
  std::vector<int32_t> pending;
  for (size_t j = 0; j < nc; ++j) {
    positive[j] = signs.positive[j].size();
    negative[j] = signs.negative[j].size();
    if ((positive[j] == 0) != (negative[j] == 0)) pending.push_back(static_cast<int32_t>(j));
  }
  std::vector<char> erased(rows.size(), 0);
  auto erase = [&](int32_t i) {
    if (erased[static_cast<size_t>(i)]) return;
    erased[static_cast<size_t>(i)] = 1;
    for (const Entry& e : rows[static_cast<size_t>(i)].c) {
      const size_t j = static_cast<size_t>(e.pos);
      size_t& count = e.value > 0 ? positive[j] : negative[j];
      if (--count == 0 && positive[j] + negative[j] > 0) pending.push_back(e.pos);
    }
  };
  while (!pending.empty()) {
    const size_t j = static_cast<size_t>(pending.back());
    pending.pop_back();
    for (int32_t i : signs.positive[j]) erase(i);
    for (int32_t i : signs.negative[j]) erase(i);
  }
  std::vector<int32_t> Iz;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (erased[i]) Iz.push_back(static_cast<int32_t>(i + 1));
  }
  erasezero(rows, Iz);
}

// b * u + a * v over two sparse rows; a product or a sum outside 32 bits is an overflow.
SparseRow Combine(const SparseRow& u, int64_t b, const SparseRow& v, int64_t a) {
  SparseRow out;
  out.reserve(u.size() + v.size());
  size_t i = 0, k = 0;
  while (i < u.size() || k < v.size()) {
    if (k == v.size() || (i < u.size() && u[i].pos < v[k].pos)) {
      out.push_back({u[i].pos, Narrow(b * u[i].value)});
      ++i;
    } else if (i == u.size() || v[k].pos < u[i].pos) {
      out.push_back({v[k].pos, Narrow(a * v[k].value)});
      ++k;
    } else {
      const int64_t sum = int64_t{Narrow(b * u[i].value)} + Narrow(a * v[k].value);
      if (sum != 0) out.push_back({u[i].pos, Narrow(sum)});
      ++i;
      ++k;
    }
  }
  return out;
}

// Magnitude of an entry, as 64 bits so that the smallest 32-bit value has one.
int64_t Magnitude(int32_t value) { return value < 0 ? -int64_t{value} : int64_t{value}; }

// The combination of positive row p and negative row n that cancels column `col`, normalised:
// divided by the gcd of its variable part when that is > 1 and the equation part is zero or has
// a gcd > 1.
WorkRow CombinePair(const WorkRow& p, const WorkRow& n, int32_t col) {
  int64_t a = Magnitude(ValueAt(p.c, col));
  int64_t b = Magnitude(ValueAt(n.c, col));
  const int64_t g = nod(a, b);
  if (g > 1) {
    a /= g;
    b /= g;
  }
  WorkRow row{Combine(p.c, b, n.c, a), Combine(p.x, b, n.x, a)};
  const int64_t gc = nodv(row.c);
  const int64_t gx = nodv(row.x);
  if ((gc > 1 || gc == 0) && gx > 1) {
    const int64_t divisor = gc == 0 ? gx : nod(gc, gx);
    divv(row.c, divisor);
    divv(row.x, divisor);
  }
  return row;
}

// One elimination step on column `col`: the rows that are zero there, then the filtered
// combinations of each positive row with each negative row.
WorkRows NextGeneration(WorkRows& rows, int32_t col, const std::vector<int32_t>& Ip,
                        const std::vector<int32_t>& Im) {
  return WithMemory("C1,X1", [&] {
    Generation next;
    for (WorkRow& row : rows) {
      if (ValueAt(row.c, col) == 0) AddRow(next, std::move(row));
    }
    for (int32_t p : Ip) {
      for (int32_t n : Im) {
        AddRow(next, CombinePair(rows[static_cast<size_t>(p - 1)], rows[static_cast<size_t>(n - 1)], col));
        FilterNewSolution(next);
      }
    }
    delzero(next.rows);
    return std::move(next.rows);
  });
}

// One line "%d %d %d\n" per non-zero coefficient: solution number, input row number, value.
void WriteSolutions(std::FILE* file, const WorkRows& rows, const IndexList& variables) {
  for (size_t i = 0; i < rows.size(); ++i) {
    for (const Entry& e : rows[i].x) {
      WriteElement(file, static_cast<int32_t>(i + 1), variables.ids[static_cast<size_t>(e.pos)], e.value);
    }
  }
}

// Ordering of two sparse rows by value: whether a >= b and whether b >= a everywhere.
void CompareRows(const SparseRow& a, const SparseRow& b, bool& aAbove, bool& bAbove) {
  aAbove = bAbove = true;
  size_t i = 0, k = 0;
  while ((aAbove || bAbove) && (i < a.size() || k < b.size())) {
    int32_t va = 0, vb = 0;
    if (k == b.size() || (i < a.size() && a[i].pos < b[k].pos)) {
      va = a[i++].value;
    } else if (i == a.size() || b[k].pos < a[i].pos) {
      vb = b[k++].value;
    } else {
      va = a[i++].value;
      vb = b[k++].value;
    }
    if (va < vb) aAbove = false;
    if (vb < va) bAbove = false;
  }
}

}  // namespace

void onex(WorkRows& rows) {
  for (size_t i = 0; i < rows.size(); ++i) rows[i].x = {Entry{static_cast<int32_t>(i), 1}};
}

void copyrowc(WorkRows& rows, int32_t target, int32_t source) {
  rows[static_cast<size_t>(target - 1)].c = rows[static_cast<size_t>(source - 1)].c;
}

void copyrowx(WorkRows& rows, int32_t target, int32_t source) {
  rows[static_cast<size_t>(target - 1)].x = rows[static_cast<size_t>(source - 1)].x;
}

void shiftmatrc(WorkRows& rows, int32_t n, int32_t r) {
  for (int32_t q = r; q < n; ++q) copyrowc(rows, q, q + 1);
}

void shiftmatrx(WorkRows& rows, int32_t n, int32_t r) {
  for (int32_t q = r; q < n; ++q) copyrowx(rows, q, q + 1);
}

void delzero(WorkRows& rows) {
  std::erase_if(rows, [](const WorkRow& row) { return row.x.empty(); });
}

std::vector<int32_t> findzero(const WorkRows& rows, size_t nc) {
  const ColumnSigns signs = WithMemory("wIm,wIp", [&] { return SignsOfColumns(rows, nc); });
  std::vector<int32_t> Iz;
  std::vector<char> listed(rows.size(), 0);
  auto list = [&](const std::vector<int32_t>& found) {
    for (int32_t i : found) {
      if (!listed[static_cast<size_t>(i)]) {
        listed[static_cast<size_t>(i)] = 1;
        Iz.push_back(i + 1);
      }
    }
  };
  for (size_t j = 0; j < nc; ++j) {
    if (signs.positive[j].empty()) list(signs.negative[j]);
    if (signs.negative[j].empty()) list(signs.positive[j]);
  }
  return Iz;
}

void erasezero(WorkRows& rows, const std::vector<int32_t>& Iz) {
  std::vector<char> erased(rows.size(), 0);
  for (int32_t i : Iz) erased[static_cast<size_t>(i - 1)] = 1;
  size_t write = 0;
  for (size_t read = 0; read < rows.size(); ++read) {
    if (erased[read]) continue;
    if (write < read) rows[write] = std::move(rows[read]);
    ++write;
  }
  rows.resize(write);
}

int findcol(const WorkRows& rows, size_t nc, int32_t& col, std::vector<int32_t>& Ip,
            std::vector<int32_t>& Im) {
  const ColumnSigns signs = WithMemory("wIm,wIp", [&] { return SignsOfColumns(rows, nc); });
  col = 0;
  uint64_t best = uint64_t{rows.size()} * rows.size();
  for (size_t j = 0; j < nc; ++j) {
    const uint64_t product = uint64_t{signs.positive[j].size()} * signs.negative[j].size();
    if (signs.positive[j].empty() && signs.negative[j].empty()) continue;
    if (product < best) {
      best = product;
      col = static_cast<int32_t>(j + 1);
    }
  }
  if (col == 0) return 0;
  WithMemory("Ip,Im", [&] {
    Ip.clear();
    Im.clear();
    for (int32_t i : signs.positive[static_cast<size_t>(col - 1)]) Ip.push_back(i + 1);
    for (int32_t i : signs.negative[static_cast<size_t>(col - 1)]) Im.push_back(i + 1);
  });
  return 1;
}

int64_t nod(int64_t a, int64_t b) { return std::gcd(a, b); }

int64_t nodv(const SparseRow& v) {
  int64_t g = 0;
  for (const Entry& e : v) {
    if (e.value != 0) g = g == 0 ? Magnitude(e.value) : nod(g, Magnitude(e.value));
  }
  return g;
}

void divv(SparseRow& v, int64_t divisor) {
  for (Entry& e : v) {
    if (e.value != 0) e.value = static_cast<int32_t>(e.value / divisor);
  }
}

void AddRow(Generation& next, WorkRow row) {
  next.signature.push_back(SignatureOf(row.x));
  if (!row.x.empty()) ++next.live;
  next.rows.push_back(std::move(row));
}

void FilterNewSolution(Generation& next) {
  const size_t k = next.rows.size() - 1;
  SparseRow& fresh = next.rows[k].x;
  const uint64_t freshSignature = next.signature[k];
  bool drop = false;
  for (size_t i = 0; i < k; ++i) {
    SparseRow& earlier = next.rows[i].x;
    if (earlier.empty()) continue;
    const uint64_t signature = next.signature[i];
    // Non-negative rows: one lies above the other only if its support contains the other's.
    const bool earlierMayBeAbove = (freshSignature & ~signature) == 0;
    const bool freshMayBeAbove = (signature & ~freshSignature) == 0;
    if (!earlierMayBeAbove && !freshMayBeAbove) continue;
    bool earlierAbove = false, freshAbove = false;
    CompareRows(earlier, fresh, earlierAbove, freshAbove);
    if (earlierAbove && !freshAbove) {
      earlier.clear();
      --next.live;
    }
    if (freshAbove) drop = true;
  }
  if (drop && !fresh.empty()) {
    fresh.clear();
    --next.live;
  }
}

int Toudic(const std::string& input, const std::string& output) {
  File in = OpenFile(input, "r");
  File out = OpenFile(output, "w");
  System system = ReadSystem(in.get(), input);
  in.reset();
  const size_t nc = system.cols.size();
  WorkRows rows = std::move(system.work);
  WithMemory("X", [&] { onex(rows); });
  std::vector<int32_t> Ip, Im;
  int32_t col = 0;
  for (;;) {
    EraseSingleSignRows(rows, nc);
    if (findcol(rows, nc, col, Ip, Im) == 0) break;
    rows = NextGeneration(rows, col - 1, Ip, Im);
  }
  WriteSolutions(out.get(), rows, system.rows);
  return 0;
}

}  // namespace pelorin
