// Product of two sparse matrix files.
//
// MultiplySPM(left, right, product) writes product = A . B for the matrices A in left and B in
// right. Indices are names, not positions: a column index of A meets the row index of B with the
// same number, whatever the numbering; columns of A without such a row and rows of B without
// such a column contribute nothing, and the inner dimensions need not agree.
//
// Reads left and right: lines "row column value" (value 1 when only two integers are given;
// lines of one cell add up; blank lines and lines beginning with "#" are skipped).
// Writes product (replaced): "%d %d %d\n" = (row index of A, column index of B, value) for every
// non-zero element, rows of A in order of first appearance in left, and within a row the columns
// of B in order of first appearance in right.
//
// Example: A = "1 1 2", "1 2 3" and B = "1 7 1", "2 7 1", "2 9 4" give "1 7 5", "1 9 12".
//
// Both inputs are read completely and closed before product is opened, so product may name one
// of them. Every element is the sum over the columns k of A, in order of first appearance, of
// A(i, k) . B(k, j); each product term and each partial sum in that order must fit in a signed
// 32-bit integer, and so must every summed cell of the inputs, or the run ends with
// "*** integer overflow\n" (exit code 5) after the lines before the failing element are written.
// A file that cannot be opened ends the run with "*** error open file %s\n" (exit code 2), a data
// line that does not begin with two integers with "*** malformed line N in file F\n" (exit code
// 4), exhausted memory with "*** not enough memory for <arrays>\n" (exit code 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

void MultiplySPM(const std::string& left, const std::string& right, const std::string& product);

// The same in memory: the lines of the two input files in (released once loaded), those of the
// product out. Nothing when the product has more than `limit` lines: the rows stop at the one
// that passes it, so the product never holds much more.
std::optional<std::vector<Element>> ProductOf(std::vector<Element> left, std::vector<Element> right,
                                                        size_t limit = SIZE_MAX);

}  // namespace pelorin
