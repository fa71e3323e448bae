// Unit solutions (fui): completes the solutions of the composition system.
//
// WithUnitSolutions(solutions, units) takes
//   solutions  the solver's solutions of the composition system, lines "solution unknown value"
//              (none when the system has none)
//   units      the unit solutions, lines "k unknown 1" (the first field is not used)
// and returns every line of solutions as it stands, then one line "m+j unknown value" per line
// j = 1, 2, ... of units, where m is the largest solution number of solutions (0 when there is
// none). Every unit line thus becomes a solution of its own.
//
// Example: solutions = "1 1 1", "1 4 2", "2 3 1" and units = "1 2 1" give
// "1 1 1", "1 4 2", "2 3 1", "3 2 1".
//
// A solution number beyond the signed 32-bit range ends the run with "*** integer overflow\n"
// (exit code 5).
#pragma once

#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// The solutions with the unit solutions after them.
std::vector<Element> WithUnitSolutions(std::vector<Element> solutions, const std::vector<Element>& units);

}  // namespace pelorin
