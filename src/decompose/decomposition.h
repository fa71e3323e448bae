// Decomposition of a matrix into minimal functional subnets (deo1).
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
// DecompositionOf(M) takes the element lines "row column value" of the matrix M, in order (lines
// of one cell are NOT added up), and returns, every line as three numbers:
//   subnets   subnets[i - 1], i = 1..K: the lines of subnet i's transitions, in the order of M
//   contacts  "place consuming producing" per contact place, places in order of first appearance
//             in M (the work file M.z holds K, then these lines)
//   graph     "i j w" per pair of subnets i < j sharing w > 0 contact places (either direction),
//             ordered by i, then j; empty when no subnets touch
//
// Example: M = "1 1 1", "1 2 -1", "2 2 1", "2 3 -1" (transition 1 feeds place 1, transition 2
// moves it to place 2, transition 3 consumes it) gives K = 3, contacts "1 2 1", "2 3 2";
// graph "1 2 1", "2 3 1"; subnet 2 "1 2 -1", "2 2 1".
//
// A matrix without elements gives one empty subnet: K = 1, no contacts, an empty graph. Memory
// exhaustion ends the run with "*** not enough memory for <arrays>\n" (exit code 1).
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// The subnets of a matrix, their contact places and the graph of subnets.
struct Decomposition {
  int32_t count = 0;                          // K, at least 1
  std::vector<std::vector<Element>> subnets;  // subnets[i - 1]: the lines of subnet i
  std::vector<Element> contacts;              // "place consuming producing" per contact place
  std::vector<Element> graph;                 // "i j w" per pair of subnets sharing contact places
};

// Decomposes the element lines of a matrix.
Decomposition DecompositionOf(const std::vector<Element>& lines);

}  // namespace pelorin
