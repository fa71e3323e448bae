// Minimal-support semiflows written compactly ("--classes"): one line per semiflow of the
// system with one variable per class of parallel variables (equal rows, see ParallelClasses in
// dd.h), a class standing for any one of its members.
//
// MinimalSemiflowClasses(matrix, output) solves the lines of a sparse matrix as MinimalSemiflows
// does and writes `output` (made before the solving starts), a solution file of the same form
// with a class table at its head:
//   "#class m1 m2 ... mk"   one comment line per class of k > 1 variables (row numbers,
//                           increasing), the classes by their first member;
//   "%d %d %s"              the semiflows of the folded system in canonical order, numbered from
//                           1, each class written as its first member m1.
// Expanding a semiflow means choosing one member of each of its classes, independently: each
// choice gives one minimal-support semiflow of the system (with the coefficients of the line),
// and every one comes from exactly one line and one choice. So the lines alone, read without the
// comments, are minimal-support semiflows themselves (every class at its first member). Example:
//     matrix       output
//     1 1 -1       #class 2 3
//     2 1 1        1 1 1
//     3 1 1        1 2 1
// stands for the semiflows {1, 2} and {1, 3}.
//
// It returns the digest of the file (the lines' count; covered: every member of a class that
// some line holds) and the number of minimal-support semiflows the lines stand for: the sum,
// over the lines, of the product of the sizes of their classes.
//
// `progress`, when given, hears of the equations eliminated. Failures as MinimalSemiflows'.
#pragma once

#include <gmpxx.h>

#include <string>
#include <vector>

#include "matrix/progress.h"
#include "matrix/spm.h"

namespace pelorin {

struct ClassDigest {
  SolutionDigest digest;
  mpz_class count;  // the minimal-support semiflows the lines stand for
};

ClassDigest MinimalSemiflowClasses(const std::vector<Element>& matrix, const std::string& output,
                                   ProgressObserver* progress = nullptr);

}  // namespace pelorin
