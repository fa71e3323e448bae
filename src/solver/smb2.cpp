// Basis minimization (contract in smb2.h).
//
// The vectors are held sparsely: the summed non-zero components of each, in increasing column
// position. A vector above vector i is positive wherever i is, so it is looked for only among the
// vectors positive in the column where i is positive and the fewest vectors are.
#include "solver/smb2.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "matrix/textfile.h"
#include "run/failure.h"

namespace pelorin {

namespace {

struct Component {
  size_t col;     // column position
  int32_t value;  // non-zero
};

// The vectors of the input and what the pairwise comparison needs; all indexed by vector position.
struct Minimisation {
  IndexList rows;                 // vector row numbers by first appearance
  IndexList cols;                 // column numbers by first appearance
  std::vector<size_t> start;      // the components of vector i are parts[start[i] .. start[i+1])
  std::vector<Component> parts;   // non-zero components, ascending column position within a vector
  std::vector<int64_t> sums;      // sums[i]: sum of the components of vector i
  std::vector<char> negative;     // negative[i]: vector i has a component below 0
  std::vector<char> B;            // B[i]: vector i is removed
  std::vector<std::vector<size_t>> positives;  // positives[c]: the vectors > 0 in column c, ascending
};

// The vectors of `elements`: every cell summed over its lines in their order, zero sums left out.
void Load(const std::vector<Element>& elements, Minimisation& s) {
  WithMemory("rowsa,colsa,A", [&] {
    std::vector<size_t> row(elements.size()), col(elements.size()), order(elements.size());
    for (size_t k = 0; k < elements.size(); ++k) {
      row[k] = static_cast<size_t>(s.rows.Add(elements[k].row));
      col[k] = static_cast<size_t>(s.cols.Add(elements[k].col));
    }
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
      return row[x] != row[y] ? row[x] < row[y] : col[x] < col[y];
    });
    s.start.assign(s.rows.size() + 1, 0);
    for (size_t k = 0; k < order.size();) {
      const size_t first = order[k];
      int32_t sum = 0;
      for (; k < order.size() && row[order[k]] == row[first] && col[order[k]] == col[first]; ++k)
        sum = CheckedAdd(sum, elements[order[k]].value);
      if (sum != 0) {
        s.parts.push_back({col[first], sum});
        ++s.start[row[first] + 1];
      }
    }
    for (size_t i = 1; i < s.start.size(); ++i) s.start[i] += s.start[i - 1];
  });
}

// Sums, signs and the vectors positive in each column.
void Prepare(Minimisation& s) {
  WithMemory("B", [&] {
    const size_t ma = s.rows.size();
    s.sums.assign(ma, 0);
    s.negative.assign(ma, 0);
    s.B.assign(ma, 0);
    s.positives.resize(s.cols.size());
    for (size_t i = 0; i < ma; ++i) {
      for (size_t k = s.start[i]; k < s.start[i + 1]; ++k) {
        const Component& c = s.parts[k];
        s.sums[i] += c.value;
        if (c.value < 0) s.negative[i] = 1;
        if (c.value > 0) s.positives[c.col].push_back(i);
      }
    }
  });
}

// Vector j >= vector i in every component: where only i is non-zero it must be negative, where
// only j is non-zero positive, and where both are j's must be the larger. A vector above another
// has the larger sum; a vector without negative components is above i off i's support.
bool Covers(const Minimisation& s, size_t j, size_t i) {
  if (s.sums[j] < s.sums[i]) return false;
  size_t a = s.start[i], b = s.start[j];
  const size_t aEnd = s.start[i + 1], bEnd = s.start[j + 1];
  while (a < aEnd) {
    if (b < bEnd && s.parts[b].col < s.parts[a].col) {
      if (s.parts[b].value < 0) return false;
      ++b;
    } else if (b < bEnd && s.parts[b].col == s.parts[a].col) {
      if (s.parts[b].value < s.parts[a].value) return false;
      ++a;
      ++b;
    } else {
      if (s.parts[a].value > 0) return false;
      ++a;
    }
  }
  if (s.negative[j])
    for (; b < bEnd; ++b)
      if (s.parts[b].value < 0) return false;
  return true;
}

// The vectors that can lie above vector i: those positive in the column where i is positive and
// the fewest others are; null (all are candidates) when i has no positive component.
const std::vector<size_t>* Candidates(const Minimisation& s, size_t i) {
  const std::vector<size_t>* best = nullptr;
  for (size_t k = s.start[i]; k < s.start[i + 1]; ++k) {
    const Component& c = s.parts[k];
    if (c.value > 0 && (best == nullptr || s.positives[c.col].size() < best->size())) best = &s.positives[c.col];
  }
  return best;
}

// Each kept vector i, in order, removes every other kept vector that lies above it.
void RemoveNonMinimal(Minimisation& s) {
  const size_t ma = s.rows.size();
  auto test = [&](size_t i, size_t j) {
    if (j != i && !s.B[j] && Covers(s, j, i)) s.B[j] = 1;
  };
  for (size_t i = 0; i < ma; ++i) {
    if (s.B[i]) continue;
    if (const std::vector<size_t>* candidates = Candidates(s, i)) {
      for (size_t j : *candidates) test(i, j);
    } else {
      for (size_t j = 0; j < ma; ++j) test(i, j);
    }
  }
}

// The kept vectors, renumbered from 1, their non-zero components in column order.
void WriteKept(ElementSink out, const Minimisation& s) {
  int32_t number = 0;
  for (size_t i = 0; i < s.rows.size(); ++i) {
    if (s.B[i]) continue;
    ++number;
    for (size_t k = s.start[i]; k < s.start[i + 1]; ++k) out.Put(number, s.cols.ids[s.parts[k].col], s.parts[k].value);
  }
}

}  // namespace

void MinimizeBasis(const std::string& input, const std::string& output) {
  Minimisation s;
  {
    File in = OpenFile(input, "r");
    const std::vector<Element> elements = WithMemory("rowsa,colsa,A", [&] { return ReadElements(in.get(), input); });
    Load(elements, s);
  }
  Prepare(s);
  RemoveNonMinimal(s);
  File out = OpenFile(output, "w");
  WriteKept(ElementSink{out.get(), nullptr}, s);
}

std::vector<Element> MinimizeBasisElements(const std::vector<Element>& basis) {
  Minimisation s;
  Load(basis, s);
  Prepare(s);
  RemoveNonMinimal(s);
  std::vector<Element> kept;
  WithMemory("B", [&] { WriteKept(ElementSink{nullptr, &kept}, s); });
  return kept;
}

}  // namespace pelorin
