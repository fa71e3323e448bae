// Invariant check (historically "chi"): do the solutions cover every row of the matrix?
//
// CheckInvariants(matrix, solutions) is true when every row number of the lines of the sparse
// matrix `matrix` occurs with a positive coefficient in at least one line of the solution file
// `solutions`; a matrix without lines gives true. The solution file is a sparse matrix file (see
// matrix/spm.h): comment lines ("#" in column 1) and blank lines are skipped, a line of two
// integers has the value 1.
//   matrix lines     "row column value"               only the row number is used
//   solution lines   "solution element coefficient"   element = a row number of the matrix
// Example: the matrix lines "1 1 -1", "2 1 1", "3 2 1" and the solutions "1 1 1", "1 3 2" give
// false (row 2 is not covered); one more solution line "2 2 4" makes it true. Coefficients of 0
// or less, solution numbers and element numbers that are not rows of the matrix change nothing.
//
// Failures: the solution file cannot be opened: "*** error open file %s\n", exit code 2; a
// malformed line: exit code 4; memory: "*** not enough memory for rows\n" or "*** not enough
// memory for rows, inds\n", exit code 1.
#pragma once

#include <string>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// `wide` (the solution files of "--minimal"): coefficients may have any number of digits.
bool CheckInvariants(const std::vector<Element>& matrix, const std::string& solutions, bool wide = false);

// The same with the digest of the solution file from the stage that wrote it: the file is opened
// but not read, its covered elements are the digest's.
bool CheckInvariants(const std::vector<Element>& matrix, const std::string& solutions, const SolutionDigest& digest);

}  // namespace pelorin
