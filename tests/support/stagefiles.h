// The file forms of the decomposition and composition stages, for the tests and the fuzz
// targets: each reads its input files with the system's readers of element lines, hands their
// lines to the stage and writes what the stage returns, every line "%d %d %d\n", every file
// replaced. A test so states a stage's behaviour as files in and files out, the form in which
// a run at debug level 2 leaves the stages' records.
//
// Input files: element lines "row column value" (a line of two integers has the value 1),
// comment lines with "#" in column 1 (the decomposition takes ";" too) and blank lines. A data
// line that does not begin with two integers ends the run with
// "*** malformed line N in file F\n" (exit code 4), a file that cannot be opened with
// "*** error open file %s\n" (exit code 2). Each stage reads all its inputs before it writes,
// and a stage that fails writes nothing, so an output may replace an input.
#pragma once

#include <string>

namespace pelorin::test {

// Decomposition of the matrix file M (lines of one cell are not added up) into M.z1 .. M.zK
// (the subnets), M.z ("K\n", then the contact places) and M.p (the graph of subnets); returns K.
int DecomposeIntoFSN(const std::string& matrix);

// The solutions of the composition system with the unit solutions after them, into `result`.
void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result);

// The product of the matrix files `left` and `right`, into `product`.
void MultiplySPM(const std::string& left, const std::string& right, const std::string& product);

// The vectors of `input` that lie above no other, renumbered, into `output`.
void MinimizeBasis(const std::string& input, const std::string& output);

}  // namespace pelorin::test

namespace pelorin {

using test::AddUnitSolutions;
using test::DecomposeIntoFSN;
using test::MinimizeBasis;
using test::MultiplySPM;

}  // namespace pelorin
