// Basis minimization (contract in smb2.h).
#include "solver/smb2.h"

#include <cstdint>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/failure.h"

namespace pelorin {

namespace {

// What the pairwise comparison needs besides the dense vectors; all indexed by vector position.
struct Minimisation {
  std::vector<int64_t> sums;   // sums[i]: sum of the components of vector i
  std::vector<char> negative;  // negative[i]: vector i has a component below 0
  std::vector<size_t> start;   // the non-zero components of vector i are cols[start[i] .. start[i+1])
  std::vector<size_t> cols;    // component positions, ascending within a vector
  std::vector<char> B;         // B[i]: vector i is removed
  std::vector<std::vector<size_t>> positives;  // positives[c]: the vectors > 0 in column c, ascending
};

// Sums, signs and supports of the vectors of `a`.
Minimisation Prepare(const DenseMatrix& a) {
  return WithMemory("B", [&] {
    const size_t ma = a.rows.size(), na = a.cols.size();
    Minimisation s;
    s.sums.assign(ma, 0);
    s.negative.assign(ma, 0);
    s.B.assign(ma, 0);
    s.start.reserve(ma + 1);
    s.positives.resize(na);
    for (size_t i = 0; i < ma; ++i) {
      s.start.push_back(s.cols.size());
      for (size_t c = 0; c < na; ++c) {
        const int32_t v = a.at(i, c);
        if (v == 0) continue;
        s.sums[i] += v;
        if (v < 0) s.negative[i] = 1;
        if (v > 0) s.positives[c].push_back(i);
        s.cols.push_back(c);
      }
    }
    s.start.push_back(s.cols.size());
    return s;
  });
}

// Vector j >= vector i in every component, compared over all components.
bool CoversDense(const DenseMatrix& a, size_t j, size_t i) {
  for (size_t c = 0; c < a.cols.size(); ++c)
    if (a.at(j, c) < a.at(i, c)) return false;
  return true;
}

// Vector j >= vector i in every component. A vector above another has the larger sum; a vector
// without negative components is above i off i's support, so only that support needs a look.
bool Covers(const DenseMatrix& a, const Minimisation& s, size_t j, size_t i) {
  if (s.sums[j] < s.sums[i]) return false;
  if (s.negative[j]) return CoversDense(a, j, i);
  for (size_t k = s.start[i]; k < s.start[i + 1]; ++k)
    if (a.at(j, s.cols[k]) < a.at(i, s.cols[k])) return false;
  return true;
}

// The vectors that can lie above vector i: those positive in the column where i is positive and
// the fewest others are (a vector above i is positive wherever i is); all, when i has no
// positive component. Null when all are candidates.
const std::vector<size_t>* Candidates(const Minimisation& s, const DenseMatrix& a, size_t i) {
  const std::vector<size_t>* best = nullptr;
  for (size_t k = s.start[i]; k < s.start[i + 1]; ++k) {
    const size_t c = s.cols[k];
    if (a.at(i, c) > 0 && (best == nullptr || s.positives[c].size() < best->size())) best = &s.positives[c];
  }
  return best;
}

// Each kept vector i, in order, removes every other kept vector that lies above it.
void RemoveNonMinimal(const DenseMatrix& a, Minimisation& s) {
  const size_t ma = a.rows.size();
  auto test = [&](size_t i, size_t j) {
    if (j != i && !s.B[j] && Covers(a, s, j, i)) s.B[j] = 1;
  };
  for (size_t i = 0; i < ma; ++i) {
    if (s.B[i]) continue;
    if (const std::vector<size_t>* candidates = Candidates(s, a, i)) {
      for (size_t j : *candidates) test(i, j);
    } else {
      for (size_t j = 0; j < ma; ++j) test(i, j);
    }
  }
}

// The kept vectors, renumbered from 1, their non-zero components in column order.
void WriteKept(std::FILE* out, const DenseMatrix& a, const Minimisation& s) {
  int32_t number = 0;
  for (size_t i = 0; i < a.rows.size(); ++i) {
    if (s.B[i]) continue;
    ++number;
    for (size_t k = s.start[i]; k < s.start[i + 1]; ++k)
      WriteElement(out, number, a.cols.ids[s.cols[k]], a.at(i, s.cols[k]));
  }
}

}  // namespace

void MinimizeBasis(const std::string& input, const std::string& output) {
  DenseMatrix a;
  {
    File in = OpenFile(input, "r");
    a = WithMemory("rowsa,colsa,A", [&] { return LoadDense(ReadElements(in.get(), input), "rowsa,colsa,A"); });
  }
  Minimisation s = Prepare(a);
  RemoveNonMinimal(a, s);
  File out = OpenFile(output, "w");
  WriteKept(out.get(), a, s);
}

}  // namespace pelorin
