// Unit solutions: completes the solutions of the composition system.
//
// AddUnitSolutions(solutions, units, result) reads
//   solutions  the solver's solutions of the composition system, lines "solution unknown value"
//              (empty when the system has none)
//   units      the unit solutions, lines "k unknown 1" (the first field is not used)
// and writes result (replaced), every line "%d %d %d\n": first every data line of solutions as
// it stands, then one line "m+j unknown value" per data line j = 1, 2, ... of units, where m is
// the largest solution number of solutions (0 when it has no line). Every unit line thus becomes
// a solution of its own. Blank lines and lines beginning with "#" are skipped.
//
// Example: solutions = "1 1 1", "1 4 2", "2 3 1" and units = "1 2 1" give
// result = "1 1 1", "1 4 2", "2 3 1", "3 2 1".
//
// Both inputs are read completely before result is opened, so result may name one of them.
// A file that cannot be opened ends the run with "*** error open file %s\n" (exit code 2), a
// data line that does not begin with two integers with "*** malformed line N in file F\n" (exit
// code 4; two integers mean the value 1), and a solution number beyond the signed 32-bit range
// with "*** integer overflow\n" (exit code 5).
#pragma once

#include <string>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result);

// The same in memory: the lines of the two input files in, those of the result out (the
// solutions with the unit solutions after them).
std::vector<Element> WithUnitSolutions(std::vector<Element> solutions, const std::vector<Element>& units);

}  // namespace pelorin
