// Sparse matrix product; the contract is in product.h.
//
// Each input is held as its rows of non-zero cells, sorted by column position. A row of the
// product is accumulated in 64 bits over the non-zero cells of the row of A, taken in increasing
// column position, so that every partial sum is the one of the term-by-term sum over the columns
// of A in order of first appearance (zero terms leave a partial sum unchanged); a term or a
// partial sum outside 32 bits marks its element as overflowed.
#include "compose/product.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "matrix/exactint.h"
#include "matrix/failure.h"
#include "matrix/spm.h"

namespace pelorin {
namespace {

using Cell = RowCells::Cell;

// The memory messages of loading a matrix: its index lists, its cells.
struct Names {
  const char* indices;
  const char* cells;
};

constexpr Names kLeft{"rowsa, colsa", "rowsa, colsa, A"};
constexpr Names kRight{"rowsb, colsb", "rowsb, colsb, B"};

RowCells LoadSparse(const std::vector<Element>& elements, Names names) {
  return LoadRows(elements, names.indices, names.cells);
}

// One row of the product being accumulated.
struct RowSum {
  enum State : char { kUntouched, kTouched, kOverflowed };
  std::vector<int64_t> sum;      // per column position of B
  std::vector<State> state;      // per column position of B
  std::vector<int32_t> touched;  // column positions with at least one term, in order of touching
};

// Adds A(i, k) . B(k, j) to element j; a term or partial sum outside 32 bits spoils the element.
void AddTerm(RowSum& row, int32_t j, int64_t term) {
  const auto c = static_cast<size_t>(j);
  if (row.state[c] == RowSum::kOverflowed) return;
  if (row.state[c] == RowSum::kUntouched) {
    row.state[c] = RowSum::kTouched;
    row.touched.push_back(j);
  }
  row.sum[c] += term;
  if (!FitsInt32(term) || !FitsInt32(row.sum[c])) row.state[c] = RowSum::kOverflowed;
}

// Appends the row's non-zero sums in column order and clears it for the next row.
void FlushRow(std::vector<Element>& product, RowSum& row, int32_t rowIndex, const IndexList& columns) {
  std::sort(row.touched.begin(), row.touched.end());
  for (int32_t j : row.touched) {
    const auto c = static_cast<size_t>(j);
    if (row.state[c] == RowSum::kOverflowed) FailOverflow();
    if (row.sum[c] != 0) product.push_back({rowIndex, columns.ids[c], static_cast<int32_t>(row.sum[c])});
    row.sum[c] = 0;
    row.state[c] = RowSum::kUntouched;
  }
  row.touched.clear();
}

// The product of the two matrices, row after row of A, into `product`; false, with the rows so
// far, once it holds more than `limit` lines.
bool Multiply(const RowCells& a, const RowCells& b, std::vector<Element>& product, size_t limit) {
  std::vector<int32_t> pairs;  // per column position of A: the row position of B, -1 when none
  RowSum row;
  for (int32_t index : a.cols.ids) pairs.push_back(b.rows.Find(index));
  row.sum.assign(b.cols.size(), 0);
  row.state.assign(b.cols.size(), RowSum::kUntouched);
  for (size_t i = 0; i < a.rows.size(); ++i) {
    for (size_t k = a.start[i]; k < a.start[i + 1]; ++k) {
      const Cell& x = a.cells[k];
      const int32_t l = pairs[static_cast<size_t>(x.col)];
      if (l < 0) continue;
      const auto at = static_cast<size_t>(l);
      for (size_t q = b.start[at]; q < b.start[at + 1]; ++q)
        AddTerm(row, b.cells[q].col, int64_t{x.value} * b.cells[q].value);
    }
    FlushRow(product, row, a.rows.ids[i], b.cols);
    if (product.size() > limit) return false;
  }
  return true;
}

}  // namespace

std::optional<std::vector<Element>> ProductOf(std::vector<Element> left, std::vector<Element> right, size_t limit) {
  const RowCells a = LoadSparse(left, kLeft);
  left = {};
  const RowCells b = LoadSparse(right, kRight);
  right = {};
  std::vector<Element> product;
  if (!WithMemory("pairs", [&] { return Multiply(a, b, product, limit); })) return std::nullopt;
  return product;
}

}  // namespace pelorin
