// Nodes without arcs: the places (transitions) of a net that are no row of the matrix solved.
//
// NodesWithoutArcs(matrix, nodes) returns, by increasing number, the numbers 1..nodes that are
// the row number of none of the lines `matrix` (those of the matrix file solved).
//
// NodesUnchanged(matrix, nodes) returns, by increasing number, the numbers 1..nodes whose row of
// the matrix is zero: no line names them, or the lines of each of their cells add up to 0 (a
// place that each transition gives back what it takes). No transition changes the marking of
// such a place, so its unit vector is a semiflow. Example: the lines "1 1 -1", "1 1 1", "2 1 1"
// with nodes 3 give {1, 3}.
//
// AddUnitSemiflows(files, units, digest) adds to the solution file M.inv of `files` (lines
// "semiflow element coefficient" in the canonical order of "--minimal", see solver/dd.h) the unit
// semiflow "k u 1" of each number u of `units`, none of which occurs in the file: each goes
// before the first semiflow whose first element is larger, and the semiflows are numbered anew
// from 1. Comment lines ("#" in column 1) keep their place. The file is written anew as
// M.inv.units and renamed over it; nothing is done when `units` is empty. The digest of the
// file follows: its count grows by the units, which are covered.
// Example: units {2, 5} and the file "1 1 1\n1 3 2\n2 4 1\n" give
//     "1 1 1\n1 3 2\n2 2 1\n3 4 1\n4 5 1\n".
//
// Failures: a file cannot be opened, "*** error open file %s\n", exit code 2; the new file cannot
// be written or renamed over the solution file, "*** error write file %s: %s\n", exit code 2; a
// malformed line, 4; memory, "*** not enough memory for rows\n", exit code 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "matrix/spm.h"
#include "run/workfiles.h"

namespace pelorin {

std::vector<int32_t> NodesWithoutArcs(const std::vector<Element>& matrix, int32_t nodes);

std::vector<int32_t> NodesUnchanged(const std::vector<Element>& matrix, int32_t nodes);

void AddUnitSemiflows(const MainFiles& files, const std::vector<int32_t>& units, SolutionDigest& digest);

}  // namespace pelorin
