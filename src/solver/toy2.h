// Toudic's method: a generating set of the non-negative integer solutions y of y.A = 0.
//
// Toudic(input, output) reads the sparse matrix file `input` (see matrix/spm.h): element lines
// "row column value" (a line of two integers has the value 1), comment lines with "#" in column 1
// and blank lines. Every distinct row number is a variable, every distinct column number an
// equation, both in order of first appearance; repeated cells add up.
//
// It writes `output`, created or truncated right after `input` was opened and before anything is
// read: one line "%d %d %d\n" per non-zero coefficient, the solution number (1, 2, ... without
// gaps), the row number of the variable as read, the coefficient. Solutions follow the order of
// the final working rows; within one, the variables follow their first appearance in `input`.
// Every coefficient is positive, the coefficients of one solution have gcd 1, and no solution is
// componentwise >= another. Example (two places in a cycle of two transitions):
//     input        output
//     1 1 -1       1 1 1
//     2 1 1        1 2 1
//     2 2 -1
//     1 2 1
//
// The method. Each working row pairs an equation part (a combination of the input rows, one entry
// per equation) with its variable part (the coefficients of that combination); row i starts as
// input row i with the unit vector i. Each step
//   1. erases every row with a non-zero entry in a column whose entries all have one sign (such a
//      row cannot take part in a solution), until no such column is left;
//   2. chooses the column with the smallest product of positive and negative row counts (the
//      first such column on ties); none is left when every equation part is zero: stop;
//   3. builds the next generation: first the rows that are zero in that column, in order; then,
//      for each positive row p (outer loop) and each negative row n (inner loop), in order, the
//      combination |C[n][col]|/g * p + |C[p][col]|/g * n with g their gcd, divided by the gcd of
//      its variable part when that is > 1 and the equation part is zero or has a gcd > 1;
//   4. passes each combination through the dominance filter over variable parts (by value):
//      a combination >= an earlier row of the generation is dropped; otherwise every earlier row
//      >= it is dropped and it is appended.
// The remaining rows are the solutions.
//
// Failures (message on standard output, exit code): `input` or `output` cannot be opened,
// "*** error open file %s\n", 2; a malformed line, 4; a number, a repeated cell or any product
// or sum of a combination outside the signed 32-bit range, "*** integer overflow\n", 5 (no wrong
// result is ever written); memory, "*** not enough memory for rows,cols,C\n" (reading),
// "...X\n", "...Iz\n" (erasure), "...Ip,Im\n" (column choice), "...C1,X1\n" (a generation), 1.
//
// The row operations below work on working rows held sparsely. Positions of rows, columns and
// variables in their arguments and results are 1-based, as in the solver's own account of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelorin {

// Solves the sparse matrix file `input` into the solution file `output`. Returns 0.
int Toudic(const std::string& input, const std::string& output);

// A non-zero entry of a sparse row: 0-based position (column or variable) and value.
struct Entry {
  int32_t pos = 0;
  int32_t value = 0;
  bool operator==(const Entry&) const = default;
};

// Non-zero entries in increasing position order; absent positions are zero.
using SparseRow = std::vector<Entry>;

// A working row: its equation part `c` and its variable part `x`.
struct WorkRow {
  SparseRow c;
  SparseRow x;
  bool operator==(const WorkRow&) const = default;
};

// Working rows in order; row r of the operations is rows[r - 1], the row count is rows.size()
// unless an operation takes it explicitly.
using WorkRows = std::vector<WorkRow>;

// Sets the variable part of row i to the unit vector of variable i, for every row.
void onex(WorkRows& rows);

// Copies the equation part (copyrowc) or the variable part (copyrowx) of row `source` onto row
// `target`.
void copyrowc(WorkRows& rows, int32_t target, int32_t source);
void copyrowx(WorkRows& rows, int32_t target, int32_t source);

// For q = r..n-1 in increasing order: row q := row q+1, equation part (shiftmatrc) or variable
// part (shiftmatrx). Row n keeps what it had; the caller lowers the count.
void shiftmatrc(WorkRows& rows, int32_t n, int32_t r);
void shiftmatrx(WorkRows& rows, int32_t n, int32_t r);

// Removes every row whose variable part is all zero; the others keep their order.
void delzero(WorkRows& rows);

// Lists every row that has a non-zero entry in a column (of `nc` columns) whose non-zero entries
// all have one sign: columns in increasing order, rows of a column in increasing order, each row
// once, at its first finding. nz is the size of the result.
std::vector<int32_t> findzero(const WorkRows& rows, size_t nc);

// Removes the rows listed in `Iz` (distinct positions); the others keep their order.
void erasezero(WorkRows& rows, const std::vector<int32_t>& Iz);

// Chooses the next column to eliminate among `nc` columns: the one with the smallest product of
// its positive and negative row counts, the lowest position on ties, among the columns that are
// non-zero somewhere. Returns 1 with `col`, `Ip` (rows with a positive entry there) and `Im`
// (rows with a negative entry) set, or 0 with col = 0 when every column is zero.
int findcol(const WorkRows& rows, size_t nc, int32_t& col, std::vector<int32_t>& Ip,
            std::vector<int32_t>& Im);

// Greatest common divisor of two positive integers.
int64_t nod(int64_t a, int64_t b);

// 0 when every entry is zero, else the gcd of the absolute values of the non-zero entries.
int64_t nodv(const SparseRow& v);

// Divides every entry by `divisor`, which divides them all.
void divv(SparseRow& v, int64_t divisor);

// The next generation while it is built: its rows in order and an index over the supports of
// their variable parts for the dominance filter. A row that the filter drops keeps its place
// with an empty variable part until delzero removes it.
struct Generation {
  WorkRows rows;
  std::vector<uint64_t> signature;  // per row: a hashed bit set of its variable positions
  size_t live = 0;                  // rows with a non-empty variable part
};

// Appends `row` to the generation without filtering it.
void AddRow(Generation& next, WorkRow row);

// Dominance filter for the newest row (the last of next.rows) against the earlier ones, by the
// values of the variable parts: when some earlier row lies componentwise <= it, the new row is
// dropped; an earlier row that lies >= it and differs from it is dropped. Dropped rows get an
// empty variable part.
void FilterNewSolution(Generation& next);

}  // namespace pelorin
