// Basis minimization (contract in minimalbasis.h).
//
// The vectors are held sparsely: the summed non-zero components of each, in increasing column
// position. A vector above vector i is positive wherever i is, so it is looked for only among the
// vectors positive in the column where i is positive and the fewest vectors are.
#include "compose/minimalbasis.h"

#include <cstdint>
#include <span>
#include <vector>

#include "matrix/failure.h"

namespace pelorin {

namespace {

// The vectors of the input and what the pairwise comparison needs; all indexed by vector position.
struct Minimisation {
  RowCells a;                     // the vectors: rows by first appearance, their non-zero components
  std::vector<int64_t> sums;      // sums[i]: sum of the components of vector i
  std::vector<char> negative;     // negative[i]: vector i has a component below 0
  std::vector<char> removed;      // removed[i]: vector i is removed
  std::vector<size_t> firstPositive;  // the vectors > 0 in column c are positives[firstPositive[c] .. [c + 1])
  std::vector<uint32_t> positives;    // vector positions, ascending within a column
};

// Sums, signs and the vectors positive in each column.
void Prepare(Minimisation& s) {
  if (s.a.rows.size() > UINT32_MAX) FailMemory("B");
  WithMemory("B", [&] {
    const size_t count = s.a.rows.size();
    s.sums.assign(count, 0);
    s.negative.assign(count, 0);
    s.removed.assign(count, 0);
    s.firstPositive.assign(s.a.cols.size() + 1, 0);
    for (size_t i = 0; i < count; ++i) {
      for (size_t k = s.a.start[i]; k < s.a.start[i + 1]; ++k) {
        const RowCells::Cell& c = s.a.cells[k];
        s.sums[i] += c.value;
        if (c.value < 0) s.negative[i] = 1;
        if (c.value > 0) ++s.firstPositive[static_cast<size_t>(c.col) + 1];
      }
    }
    for (size_t c = 1; c < s.firstPositive.size(); ++c) s.firstPositive[c] += s.firstPositive[c - 1];
    std::vector<size_t> next(s.firstPositive.begin(), s.firstPositive.end() - 1);
    s.positives.resize(s.firstPositive.back());
    for (size_t i = 0; i < count; ++i)
      for (size_t k = s.a.start[i]; k < s.a.start[i + 1]; ++k)
        if (s.a.cells[k].value > 0)
          s.positives[next[static_cast<size_t>(s.a.cells[k].col)]++] = static_cast<uint32_t>(i);
  });
}

// Vector j >= vector i in every component: where only i is non-zero it must be negative, where
// only j is non-zero positive, and where both are j's must be the larger. A vector above another
// has the larger sum; a vector without negative components is above i off i's support.
bool Covers(const Minimisation& s, size_t j, size_t i) {
  if (s.sums[j] < s.sums[i]) return false;
  const std::vector<RowCells::Cell>& parts = s.a.cells;
  size_t a = s.a.start[i], b = s.a.start[j];
  const size_t aEnd = s.a.start[i + 1], bEnd = s.a.start[j + 1];
  while (a < aEnd) {
    if (b < bEnd && parts[b].col < parts[a].col) {
      if (parts[b].value < 0) return false;
      ++b;
    } else if (b < bEnd && parts[b].col == parts[a].col) {
      if (parts[b].value < parts[a].value) return false;
      ++a;
      ++b;
    } else {
      if (parts[a].value > 0) return false;
      ++a;
    }
  }
  if (s.negative[j])
    for (; b < bEnd; ++b)
      if (parts[b].value < 0) return false;
  return true;
}

// The vectors that can lie above vector i: those positive in the column where i is positive and
// the fewest others are; empty with `all` set when i has no positive component.
std::span<const uint32_t> Candidates(const Minimisation& s, size_t i, bool& all) {
  all = true;
  std::span<const uint32_t> best;
  for (size_t k = s.a.start[i]; k < s.a.start[i + 1]; ++k) {
    const RowCells::Cell& c = s.a.cells[k];
    if (c.value <= 0) continue;
    const auto col = static_cast<size_t>(c.col);
    const std::span<const uint32_t> list(s.positives.data() + s.firstPositive[col], s.firstPositive[col + 1] - s.firstPositive[col]);
    if (all || list.size() < best.size()) best = list;
    all = false;
  }
  return best;
}

// Each kept vector i, in order, removes every other kept vector that lies above it.
void RemoveNonMinimal(Minimisation& s) {
  const size_t count = s.a.rows.size();
  auto test = [&](size_t i, size_t j) {
    if (j != i && !s.removed[j] && Covers(s, j, i)) s.removed[j] = 1;
  };
  for (size_t i = 0; i < count; ++i) {
    if (s.removed[i]) continue;
    bool all = false;
    const std::span<const uint32_t> candidates = Candidates(s, i, all);
    if (!all) {
      for (uint32_t j : candidates) test(i, j);
    } else {
      for (size_t j = 0; j < count; ++j) test(i, j);
    }
  }
}

// The kept vectors, renumbered from 1, their non-zero components in column order.
std::vector<Element> KeptLines(const Minimisation& s) {
  std::vector<Element> kept;
  int32_t number = 0;
  for (size_t i = 0; i < s.a.rows.size(); ++i) {
    if (s.removed[i]) continue;
    ++number;
    for (size_t k = s.a.start[i]; k < s.a.start[i + 1]; ++k)
      kept.push_back({number, s.a.cols.ids[static_cast<size_t>(s.a.cells[k].col)], s.a.cells[k].value});
  }
  return kept;
}

}  // namespace

std::vector<Element> MinimalBasisOf(std::vector<Element> basis) {
  Minimisation s;
  s.a = LoadRows(basis, "rowsa,colsa,A", "rowsa,colsa,A");
  basis = {};
  Prepare(s);
  RemoveNonMinimal(s);
  return WithMemory("B", [&] { return KeptLines(s); });
}

}  // namespace pelorin
