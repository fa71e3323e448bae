// Product of two sparse matrices (smmul2).
//
// ProductOf(left, right) returns the lines of A . B for the matrices A and B whose element lines
// "row column value" are `left` and `right` (lines of one cell add up). Indices are names, not
// positions: a column index of A meets the row index of B with the same number, whatever the
// numbering; columns of A without such a row and rows of B without such a column contribute
// nothing, and the inner dimensions need not agree.
//
// The product has one line (row index of A, column index of B, value) per non-zero element,
// rows of A in order of first appearance in `left`, and within a row the columns of B in order of
// first appearance in `right`. Example: A = "1 1 2", "1 2 3" and B = "1 7 1", "2 7 1", "2 9 4"
// give "1 7 5", "1 9 12".
//
// Every element is the sum over the columns k of A, in order of first appearance, of
// A(i, k) . B(k, j); each product term and each partial sum in that order must fit in a signed
// 32-bit integer, and so must every summed cell of the inputs, or the run ends with
// "*** integer overflow\n" (exit code 5). Exhausted memory ends it with
// "*** not enough memory for <arrays>\n" (exit code 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// The lines of the product of `left` and `right` (both released once loaded). Nothing when the
// product has more than `limit` lines: the rows stop at the one that passes it, so the product
// never holds much more.
std::optional<std::vector<Element>> ProductOf(std::vector<Element> left, std::vector<Element> right,
                                              size_t limit = SIZE_MAX);

}  // namespace pelorin
