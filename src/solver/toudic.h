// Toudic's method: a generating set of the non-negative integer solutions y of y.A = 0.
//
// Toudic(matrix, output) solves the lines "row column value" of a sparse matrix (see
// matrix/spm.h). Every distinct row number is a variable, every distinct column number an
// equation, both in order of first appearance; repeated cells add up.
//
// It writes `output`, created or truncated before the solving starts: one line "%d %d %d\n" per
// non-zero coefficient, the solution number (1, 2, ... without gaps), the row number of the
// variable as given, the coefficient. Solutions follow the order of the final working rows;
// within one, the variables follow their first appearance in `matrix`. Every coefficient is
// positive, the coefficients of one solution have gcd 1, and no solution is componentwise >=
// another. GeneratingSetOf(matrix) gives the same lines in memory. Example (two places in a
// cycle of two transitions):
//     matrix       output
//     1 1 -1       1 1 1
//     2 1 1        1 2 1
//     2 2 -1
//     1 2 1
//
// The method. Each working row pairs an equation part (a combination of the matrix rows, one entry
// per equation) with its variable part (the coefficients of that combination); row i starts as
// matrix row i with the unit vector i. Each step
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
// Failures (message on standard output, exit code): `output` cannot be opened, "*** error open
// file %s\n", 2; a repeated cell or any product or sum of a combination outside the signed
// 32-bit range, "*** integer overflow\n", 5 (no wrong result is ever written); memory,
// "*** not enough memory for rows,cols,C\n" (the matrix), "...X\n" (the first working rows),
// "...Iz\n" (erasure), "...Ip,Im\n" (column choice), "...C1,X1\n" (a step), exit code 1.
//
// The row operations below work on working rows held sparsely. The plain ones name rows by
// 1-based position in a list; those of the working set name them by id (see WorkingSet).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "matrix/progress.h"
#include "matrix/spm.h"
#include "solver/supportindex.h"
#include "solver/tournament.h"

namespace pelorin {

// Solves the lines of `matrix` into the solution file `output`, which is made before the solving
// starts. `progress`, when given, hears of the equations eliminated.
void Toudic(const std::vector<Element>& matrix, const std::string& output, ProgressObserver* progress = nullptr);

// The same in memory: the result holds the lines of the solution file.
std::vector<Element> GeneratingSetOf(const std::vector<Element>& matrix, ProgressObserver* progress = nullptr);

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

// Working rows in order; the plain row operations below name row r as rows[r - 1].
using WorkRows = std::vector<WorkRow>;

// Sets the variable part of row i to the unit vector of variable i, for every row.
void SetUnitVariableParts(WorkRows& rows);

// 0 when every entry is zero, else the gcd of the absolute values of the non-zero entries.
int64_t RowGcd(const SparseRow& v);

// Divides every entry by `divisor`, which divides them all.
void DivideRow(SparseRow& v, int64_t divisor);

// The variables of a row folded onto bit sets, for quick dominance pre-checks: when the
// variables of one row are among those of another, so are its bits. `compact` folds them onto
// 64 bits, `wide` onto 512 (position modulo 512, exact for up to 512 variables).
struct Signature {
  static constexpr size_t kWords = 8;
  uint64_t compact = 0;
  std::array<uint64_t, kWords> wide{};
};

// The working system as the solver keeps it between steps. A row is named by its id, the index
// of its creation (from 0). Each step keeps the rows that are zero in the eliminated column in
// their order and appends the new rows after them, so the working order is the order of ids,
// and removed rows simply leave gaps. The indexes are kept up to date as rows come and go:
// per column the rows non-zero there with their signs, per variable the rows that use it.
struct WorkingSet {
  size_t nc = 0;                   // columns of the equation parts (equations)
  size_t nx = 0;                   // columns of the variable parts (variables)
  WorkRows rows;                   // by id; a removed row is freed once nothing needs it
  std::vector<std::array<uint64_t, Signature::kWords>> wide;  // by id: the wide signature
  std::vector<char> alive;         // by id: 1 while the row is a working row
  size_t live = 0;                 // working rows
  // Per column: the ids and values of the rows non-zero there, in increasing id order; ids of
  // removed rows are dropped lazily.
  std::vector<std::vector<Entry>> column;
  std::vector<int32_t> positive;   // per column: working rows with a positive entry
  std::vector<int32_t> negative;   // per column: working rows with a negative entry
  std::vector<int32_t> pending;    // columns that may have become single-sign since the last look
  std::vector<char> isPending;     // per column: 1 while it is in `pending`
  // The column choice: per column the product of its positive and negative counts (kNone for a
  // column without entries), brought up to date for the columns in `changed` when a column is
  // chosen.
  Tournament choice;
  std::vector<int32_t> changed;    // columns whose counts changed since the last choice
  std::vector<char> isChanged;     // per column: 1 while it is in `changed`
  // Per variable, with the rows' compact signatures: the rows that use it (containing: every
  // variable of a row is a key) and the rows for which it is the key, the variable with the
  // shortest `containing` list when the row was listed (keyed). Increasing id order; removed
  // rows are dropped lazily.
  SupportIndex containing;
  SupportIndex keyed;
  std::array<int32_t, 4> witnesses{-1, -1, -1, -1};  // rows that lately made the filter drop a row
  size_t indexed = 0;              // entries in `column` and `containing`, removed rows included
  size_t used = 0;                 // the same count over working rows only
};

// An empty working set for `nc` equations and `nx` variables.
WorkingSet MakeWorkingSet(size_t nc, size_t nx);

// Appends `row` as a working row without filtering it; returns its id.
int32_t AddRow(WorkingSet& set, WorkRow row);

// Lists every working row that has a non-zero entry in a column whose non-zero entries all have
// one sign: columns in increasing order, rows of a column in increasing order, each row once, at
// its first finding. Looks only at the columns that changed since it last looked (all columns
// of a new set). nz is the size of the result.
std::vector<int32_t> SingleSignRows(WorkingSet& set);

// Removes the rows listed in `singleSign` (distinct ids of working rows).
void RemoveRows(WorkingSet& set, const std::vector<int32_t>& singleSign);

// Chooses the next column to eliminate: the one with the smallest product of its positive and
// negative row counts, the lowest position on ties, among the columns that are non-zero in some
// working row. Returns true with `col` (1-based), `positiveRows` (working rows with a positive
// entry there) and `negativeRows` (with a negative entry), or false with col = 0 when every column
// is zero.
bool ChooseColumn(WorkingSet& set, int32_t& col, std::vector<int32_t>& positiveRows,
                  std::vector<int32_t>& negativeRows);

// Dominance filter by the values of the variable parts, which are non-negative. When a working
// row lies componentwise <= `row`, `row` is dropped; otherwise every working row that lies >= it
// is removed and `row` is appended. Returns whether `row` was appended. Working rows never lie
// above one another (the filter keeps it so), so a dropped row never removes another.
bool FilterNewSolution(WorkingSet& set, WorkRow row);

// The working rows in order.
WorkRows WorkingRows(const WorkingSet& set);

}  // namespace pelorin
