// Completion of the composition system's solutions by its unit solutions; the contract is in
// fui.h.
#include "compose/fui.h"

#include <algorithm>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin {

void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result) {
  const std::vector<Element> found = ReadElementsFile(solutions);
  const std::vector<Element> unit = ReadElementsFile(units);
  File out = OpenFile(result, "w");
  int32_t last = 0;  // the largest solution number written so far
  for (const Element& e : found) {
    WriteElement(out.get(), e.row, e.col, e.value);
    last = std::max(last, e.row);
  }
  for (const Element& e : unit) {
    last = CheckedAdd(last, 1);
    WriteElement(out.get(), last, e.col, e.value);
  }
}

}  // namespace pelorin
