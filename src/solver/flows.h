// Integer flows: a basis of the lattice of integer solutions of y.A = 0, in reduced Hermite
// normal form.
//
// IntegerFlows(matrix, variables) takes the lines "row column value" of A (rows are the
// variables, numbered 1..variables; columns are the equations; repeated cells add up) and
// returns vectors y_1, ..., y_k with y_i.A = 0 and integer coefficients of any sign, such that
// every integer solution is an integer combination of them (a basis of the lattice, not only of
// the rational solutions), k = variables - rank(A). A variable without any line is a solution
// by itself. The basis is the reduced Hermite normal form over the variable numbers, so it
// depends on the lattice alone: the first variable of y_i (its pivot) increases with i, its
// coefficient is positive, and the coefficient of every other vector at that variable lies in
// [0, pivot). Example (the places of a net whose transitions are p1 -> p2 and p2*2 -> p1*2):
//     matrix      flows
//     1 1 -1      1: 1 1, 2 1          (y = p1 + p2)
//     2 1 1
//     1 2 2
//     2 2 -2
//
// The method. The variables are taken from the last to the first, each row reduced against the
// pivot rows of the variables before it (left-looking elimination in a fixed order), carrying
// along the combination of variables it stands for. A row that vanishes gives a solution whose
// first variable is its own; one that does not becomes a pivot row, its pivot taken at a cell of
// smallest size, then at the equation that the fewest variables still to come touch (most cells
// of an incidence matrix are +1 or -1, so the steps are mostly unimodular and fill-in stays
// small). When a pivot does not divide the cell it must clear, the two rows are replaced by
// their Bezout combination, a unimodular step. Every step is a unimodular row operation, so the
// vanished rows are a basis of the lattice; taken in the order of their variables they are in
// echelon form, and they are reduced above their pivots at the end (no work when every pivot
// divided: the vectors are then already the reduced form, with pivots 1). The combinations are
// held as a graph (a combination is a multiple of its variable plus multiples of earlier ones)
// and written out only for the solutions: written out for every pivot row, those along a long
// chain of rows would fill memory. Arithmetic is checked 64-bit first; when a value leaves that
// range (the rows under reduction can grow far beyond the result) the elimination is done again
// with the pivots at the equations that the most variables still to come touch, then in 128
// bits, then in GMP integers. The result is the same whatever the pivots: the reduced form is
// unique.
//
// IntegerFlowsFile(matrix, variables, output) makes the solution file `output`, then writes the
// basis of the matrix lines to it (lines "flow variable coefficient", "%d %d %s\n", flows numbered
// from 1, the coefficient signed and with all its digits) and returns its digest.
//
// Failures: the solution file cannot be opened, "*** error open file %s\n", exit code 2; a row
// number outside 1..variables, "*** element number %d out of range\n", 4; a cell sum outside
// 32 bits, 5; memory, "*** not enough memory for flows\n", exit code 1.
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// A flow: (variable number, coefficient) by increasing number, coefficients not 0.
template <class C>
using FlowOf = std::vector<std::pair<int32_t, C>>;

// The basis: with 64-bit coefficients when every value of the computation fits there.
using FlowBasis = std::variant<std::vector<FlowOf<int64_t>>, std::vector<FlowOf<mpz_class>>>;

FlowBasis IntegerFlows(const std::vector<Element>& matrix, int32_t variables);

// Writes the basis as solution lines; returns the digest (its count and the variables that some
// flow gives a positive coefficient).
SolutionDigest WriteFlows(std::FILE* file, const FlowBasis& basis);

SolutionDigest IntegerFlowsFile(const std::vector<Element>& matrix, int32_t variables, const std::string& output);

}  // namespace pelorin
