// Decomposition of a sparse matrix file into minimal functional subnets.
//
// The rows of the matrix are called places and its columns transitions (for T-invariants the
// driver passes the transposed matrix; nothing changes). Every element line stands by itself:
// a negative value makes the place an input of the transition (the transition consumes from it),
// a positive value an output (it produces into it), and 0 relates nothing. A minimal functional
// subnet is a class of the finest partition of the transitions in which all transitions that
// consume from one place lie in one class, and all that produce into one place lie in one class.
//
// Subnets are numbered by their first transitions: subnet 1 holds the transition met first in M,
// subnet i + 1 the transition met first among those in no subnet 1..i. A place consumed only by
// subnet a and produced only by subnet b != a is a contact place (a consumes, b produces); a
// place consumed and produced by one subnet is internal, and a place of one sign only (a source
// or sink) is never a contact place.
//
// Reads M: sparse matrix lines "row column value" (value 1 when only two integers are given);
// lines beginning with "#" or ";" and blank lines are skipped, and lines of one cell are NOT
// added up. A data line that does not begin with two integers ends the run with
// "*** malformed line N in file M\n" (exit code 4).
//
// Writes, every line "%d %d %d\n" unless said otherwise, every file replaced:
//   M.z1 .. M.zK  the elements of each subnet's transitions, in the order of M, numbers as in M
//   M.z           "K\n", then "place consuming producing" per contact place, places in order
//                 of first appearance in M
//   M.p           "i j w" per pair of subnets i < j sharing w > 0 contact places (either
//                 direction), ordered by i, then j; empty when no subnets touch
//
// Example: M = "1 1 1", "1 2 -1", "2 2 1", "2 3 -1" (transition 1 feeds place 1, transition 2
// moves it to place 2, transition 3 consumes it) gives K = 3, M.z = "3", "1 2 1", "2 3 2";
// M.p = "1 2 1", "2 3 1"; M.z2 = "1 2 -1", "2 2 1".
//
// A matrix without elements gives one empty subnet: K = 1, M.z = "1", M.p and M.z1 empty.
// A file that cannot be opened ends the run with "*** error open file %s\n" (exit code 2);
// memory exhaustion with "*** not enough memory for <arrays>\n" (exit code 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// Writes M.z1 .. M.zK, M.z and M.p; returns K (at least 1).
int DecomposeIntoFSN(const std::string& matrix);

// What DecomposeIntoFSN writes, in memory.
struct Decomposition {
  int32_t count = 0;                          // K, the first line of M.z
  std::vector<std::vector<Element>> subnets;  // subnets[i - 1]: the lines of M.zi
  std::vector<Element> contacts;              // the lines of M.z after the first
  std::vector<Element> graph;                 // the lines of M.p
};

// Decomposes the lines of the matrix file M, in memory, without writing a file.
Decomposition DecompositionOf(const std::vector<Element>& lines);

}  // namespace pelorin
