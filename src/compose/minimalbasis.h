// Basis minimization: keeps the vectors of a sparse matrix file that lie above no other.
//
// MinimizeBasis(input, output) reads `input`, a sparse matrix file (see matrix/spm.h) whose rows
// are vectors: each element line "row column value" adds `value` to component `column` of vector
// `row`; comment lines ("#" in column 1) and blank lines are skipped, a line of two integers adds 1.
// Vectors are taken in order of first appearance of their row numbers, components in order of
// first appearance of their column numbers.
//
// For each vector i in that order that is still kept, every other kept vector j that is
// componentwise >= i is dropped. So no kept vector is >= another kept one, and of equal vectors
// the one whose row number appeared first stays.
//
// The kept vectors are written to `output` (created or truncated only after the input has been
// read and minimised), numbered 1, 2, ... in order, one line "%d %d %d\n" per non-zero component:
// the new number, the column number as read, the summed value. Example:
//     input            output
//     7 1 1            1 1 1
//     7 2 1            1 2 1
//     3 1 1            2 2 2
//     3 2 1
//     3 3 1            (vector 3 = (1,1,1) >= vector 7 = (1,1,0) is dropped;
//     9 2 2             7 becomes 1, 9 becomes 2)
//
// Failures: the input or the output cannot be opened: "*** error open file %s\n", exit code 2;
// a malformed line: exit code 4; a number or a summed cell outside 32 bits: "*** integer
// overflow\n", exit code 5; memory: "*** not enough memory for rowsa,colsa,A\n" (reading) or
// "*** not enough memory for B\n" (minimisation), exit code 1.
#pragma once

#include <string>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

void MinimizeBasis(const std::string& input, const std::string& output);

// The same in memory: the lines of the input file in (released once loaded), those of the output
// file out.
std::vector<Element> MinimalBasisOf(std::vector<Element> basis);

}  // namespace pelorin
