// Completion of the composition system's solutions by its unit solutions; the contract is in
// unitsolutions.h.
#include "compose/unitsolutions.h"

#include <algorithm>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin {

namespace {

// The solutions as they stand, then each unit line as a solution of its own.
void Complete(const std::vector<Element>& found, const std::vector<Element>& unit, ElementSink out) {
  int32_t last = 0;  // the largest solution number written so far
  for (const Element& e : found) {
    out.Put(e.row, e.col, e.value);
    last = std::max(last, e.row);
  }
  for (const Element& e : unit) {
    last = CheckedAdd(last, 1);
    out.Put(last, e.col, e.value);
  }
}

}  // namespace

void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result) {
  const std::vector<Element> found = ReadElementsFile(solutions);
  const std::vector<Element> unit = ReadElementsFile(units);
  File out = OpenFile(result, "w");
  Complete(found, unit, ElementSink{out.get(), nullptr});
  CloseFile(out, result);
}

std::vector<Element> WithUnitSolutions(std::vector<Element> solutions, const std::vector<Element>& units) {
  int32_t last = 0;
  for (const Element& e : solutions) last = std::max(last, e.row);
  solutions.reserve(solutions.size() + units.size());
  for (const Element& e : units) {
    last = CheckedAdd(last, 1);
    solutions.push_back({last, e.col, e.value});
  }
  return solutions;
}

}  // namespace pelorin
