// The file forms of the decomposition and composition stages, for the tests and the fuzz
// targets: each reads its input files with the system's readers of element lines, hands their
// lines to the stage and writes what the stage returns, element lines "%d %d %d\n", every file
// replaced. A test so states a stage's behaviour as files in and files out, the form in which
// a run at debug level 2 leaves the stages' records.
//
// Input files: element lines "row column value" (a line of two integers has the value 1),
// comment lines with "#" in column 1 (the decomposition takes ";" too) and blank lines; the
// contact place lists and the sequence file as subnetfiles.h reads them. A data line that does
// not begin with two integers ends the run with "*** malformed line N in file F\n" (exit code 4),
// a file that cannot be opened with "*** error open file %s\n" (exit code 2). Each stage reads
// all its inputs before it writes (but the collapse, which makes its sequence file first), and a
// stage that fails writes nothing more, so an output may replace an input.
#pragma once

#include <string>

#include "compose/collapse.h"

namespace pelorin::test {

// Decomposition of the matrix file M (lines of one cell are not added up) into M.z1 .. M.zK
// (the subnets), M.z ("K\n", then the contact places) and M.p (the graph of subnets); returns K.
int DecomposeIntoFSN(const std::string& matrix);

// The composition system B.s and its unit solutions B.u of the subnets of the contact place list
// B.z with their bases B.i1 .. B.in.
void CreateCompositionSystem(const std::string& base);

// The solutions of the composition system with the unit solutions after them, into `result`.
void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result);

// The joint matrix B.g of the subnets of B.z with their bases B.i1 .. B.in.
void ComposeJointMatrix(const std::string& base);

// The product of the matrix files `left` and `right`, into `product`.
void MultiplySPM(const std::string& left, const std::string& right, const std::string& product);

// The vectors of `input` that lie above no other, renumbered, into `output`.
void MinimizeBasis(const std::string& input, const std::string& output);

// The sequence file of the collapse of the graph file (";" in column 1 a comment, "u v" the
// weight 1), one step "a b\n" a line; returns the number of steps. The sequence file is made
// before the graph is read.
int CollapseOfGraph(CollapseStrategy strategy, const std::string& graph, const std::string& sequence);

// One step of sequential composition: the fusion set of line `step` of B.t splits the remaining
// contact places B.y into the step's list B.z and the new B.y; returns the fused subnet number.
// A line with no member, or with a member that is 0 or not a number, ends the run with
// "*** empty fusion set in line N of file F\n" or "*** subnet 0 in fusion set of line N of file
// F\n" (exit code 2).
int FilterContactPlaces(const std::string& base, int step);

}  // namespace pelorin::test

namespace pelorin {

using test::AddUnitSolutions;
using test::CollapseOfGraph;
using test::ComposeJointMatrix;
using test::CreateCompositionSystem;
using test::DecomposeIntoFSN;
using test::FilterContactPlaces;
using test::MinimizeBasis;
using test::MultiplySPM;

}  // namespace pelorin
