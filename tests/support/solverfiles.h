// The file forms of the solvers, for the tests and the fuzz targets: each reads its input file
// with the system's readers of element lines, hands the lines to the solver and lets the solver
// write its solution file. A test so states a solver's behaviour as a file in and a file out,
// the form in which a run at debug level 2 leaves the composition's records.
//
// Input files: element lines "row column value" (a line of two integers has the value 1),
// comment lines with "#" in column 1 and blank lines; MinimalSupports takes coefficients of any
// size. The input is read whole before the solution file is made, so the output may replace the
// input. An input that cannot be opened ends the run with "*** error open file %s\n" (exit code
// 2), a malformed line with "*** malformed line N in file F\n" (exit code 4); either way no
// solution file is made. The solvers' own failures are those of solver/toudic.h and solver/dd.h.
#pragma once

#include <string>

#include "matrix/spm.h"

namespace pelorin::test {

// Toudic's generating set of the matrix file `input`, into the solution file `output`.
void Toudic(const std::string& input, const std::string& output);

// The minimal-support semiflows of the matrix file `input`, into `output`; returns the digest of
// the file written.
SolutionDigest MinimalSemiflows(const std::string& input, const std::string& output);

// The minimal supports of the vectors of the file `input` (a basis), into `output`; returns the
// digest of the file written.
SolutionDigest MinimalSupports(const std::string& input, const std::string& output);

}  // namespace pelorin::test

namespace pelorin {

using test::MinimalSemiflows;
using test::MinimalSupports;
using test::Toudic;

}  // namespace pelorin
