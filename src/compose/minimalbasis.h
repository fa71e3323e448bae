// Basis minimization (smb2): keeps the vectors of a composed basis that lie above no other.
//
// MinimalBasisOf(basis) takes element lines whose rows are vectors: each line "row column value"
// adds `value` to component `column` of vector `row`. Vectors are taken in order of first
// appearance of their row numbers, components in order of first appearance of their column
// numbers.
//
// For each vector i in that order that is still kept, every other kept vector j that is
// componentwise >= i is dropped. So no kept vector is >= another kept one, and of equal vectors
// the one whose row number appeared first stays.
//
// It returns the kept vectors numbered 1, 2, ... in order, one line per non-zero component: the
// new number, the column number as given, the summed value. Example:
//     basis            result
//     7 1 1            1 1 1
//     7 2 1            1 2 1
//     3 1 1            2 2 2
//     3 2 1
//     3 3 1            (vector 3 = (1,1,1) >= vector 7 = (1,1,0) is dropped;
//     9 2 2             7 becomes 1, 9 becomes 2)
//
// Failures: a summed cell outside 32 bits: "*** integer overflow\n", exit code 5; memory:
// "*** not enough memory for rowsa,colsa,A\n" (loading) or "*** not enough memory for B\n"
// (minimisation), exit code 1.
#pragma once

#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// The kept vectors of `basis` (released once loaded).
std::vector<Element> MinimalBasisOf(std::vector<Element> basis);

}  // namespace pelorin
