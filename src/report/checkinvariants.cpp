// Invariant check (contract in checkinvariants.h).
#include "report/checkinvariants.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/failure.h"

namespace pelorin {

namespace {

// The distinct row numbers of the lines, in order of first appearance.
IndexList RowsOf(const std::vector<Element>& matrix) {
  return WithMemory("rows", [&] {
    IndexList rows;
    for (const Element& e : matrix) rows.Add(e.row);
    return rows;
  });
}

// Flags, per row position, the rows that some solution line gives a positive coefficient.
void MarkCovered(std::FILE* file, const std::string& name, const IndexList& rows, std::vector<char>& covered,
                 bool wide) {
  auto mark = [&](int32_t element) {
    const int32_t i = rows.Find(element);
    if (i >= 0) covered[static_cast<size_t>(i)] = 1;
  };
  if (wide) ForEachWideElement(file, name, true, [&](const WideElement& e) { if (e.Positive()) mark(e.col); });
  else ForEachElement(file, name, [&](const Element& e) { if (e.value > 0) mark(e.col); });
}

// Whether every row is covered by a line of the solution file.
bool Covered(const IndexList& rows, std::FILE* file, const std::string& name, bool wide) {
  std::vector<char> covered = WithMemory("rows, inds", [&] { return std::vector<char>(rows.size(), 0); });
  MarkCovered(file, name, rows, covered, wide);
  return std::all_of(covered.begin(), covered.end(), [](char flag) { return flag != 0; });
}

// Whether every row is covered by the solution file with this digest.
bool Covered(const IndexList& rows, const SolutionDigest& digest) {
  return std::all_of(rows.ids.begin(), rows.ids.end(), [&](int32_t row) {
    return std::binary_search(digest.covered.begin(), digest.covered.end(), row);
  });
}

}  // namespace

bool CheckInvariants(const std::vector<Element>& matrix, const std::string& solutions, bool wide) {
  File solutionFile = OpenFile(solutions, "r");
  return Covered(RowsOf(matrix), solutionFile.get(), solutions, wide);
}

bool CheckInvariants(const std::vector<Element>& matrix, const std::string& solutions, const SolutionDigest& digest) {
  File solutionFile = OpenFile(solutions, "r");
  return Covered(RowsOf(matrix), digest);
}

}  // namespace pelorin
