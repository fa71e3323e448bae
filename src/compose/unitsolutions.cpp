// Completion of the composition system's solutions by its unit solutions; the contract is in
// unitsolutions.h.
#include "compose/unitsolutions.h"

#include <algorithm>
#include <vector>

#include "matrix/exactint.h"

namespace pelorin {

std::vector<Element> WithUnitSolutions(std::vector<Element> solutions, const std::vector<Element>& units) {
  int32_t last = 0;  // the largest solution number
  for (const Element& e : solutions) last = std::max(last, e.row);
  solutions.reserve(solutions.size() + units.size());
  for (const Element& e : units) {
    last = CheckedAdd(last, 1);
    solutions.push_back({last, e.col, e.value});
  }
  return solutions;
}

}  // namespace pelorin
