// Sparse matrix files (SPM): the one format of every matrix that a run reads or records, and the
// element lines that the stages hand each other.
//
// A file is a sequence of lines of three kinds:
//   comment line   first character "#" (some readers take ";" as well, or instead)
//   blank line     only spaces, tabs, carriage returns and line feeds
//   element line   "row column value", three decimal integers separated by blanks; a line of
//                  two integers stands for the value 1
// Writers write exactly "%d %d %d\n". Indices are names, not positions: the rows of a matrix are
// the row indices that occur, in order of first appearance, and likewise the columns; several
// lines of one cell add up. Example: the lines "5 3 1", "2 3 -1", "5 3 2" are a matrix of two
// rows (5, then 2) and one column (3), with the cells 3 and -1.
//
// A data line that is not a comment, not blank and does not begin with two integers ends the run
// with "*** malformed line N in file F\n" (exit code 4); a number or a sum of cells outside the
// signed 32-bit range ends it with "*** integer overflow\n" (exit code 5).
#pragma once

#include "matrix/exactint.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "matrix/failure.h"
#include "matrix/textfile.h"
#include "matrix/lines.h"

namespace pelorin {

struct Element {
  int32_t row = 0;
  int32_t col = 0;
  int32_t value = 1;
};

enum class CommentRule {
  kHash,             // "#" in column 1: every matrix reader
  kHashOrSemicolon,  // "#" or ";" in column 1: the decomposition
  kSemicolon,        // ";" in column 1: the graph of subnets
};

// True for a comment line under `rule` and for a blank line.
bool IsSkippedLine(std::string_view line, CommentRule rule);

// Reads a decimal integer at `pos` after blanks: optional sign, then digits. Returns false (pos
// unchanged) when no digit follows; ends the run with the overflow message when the number does
// not fit in 32 bits. On success `pos` is past the last digit.
inline bool ParseInt(std::string_view line, size_t& pos, int32_t& out) {
  size_t p = pos;
  SwallowSpace(line, p);
  bool negative = false;
  if (p < line.size() && (line[p] == '+' || line[p] == '-')) negative = line[p++] == '-';
  if (p >= line.size() || line[p] < '0' || line[p] > '9') return false;
  int64_t value = 0;
  for (; p < line.size() && line[p] >= '0' && line[p] <= '9'; ++p) {
    value = value * 10 + (line[p] - '0');
    if (value > int64_t{INT32_MAX} + 1) FailOverflow();
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) FailOverflow();
  out = static_cast<int32_t>(value);
  pos = p;
  return true;
}

// The integer at the start of `text` after blanks, 0 when it does not begin with a number.
int32_t LeadingInt(const std::string& text, size_t pos = 0);

// Parses an element line (value 1 when only two integers are there); a malformed line ends the
// run naming `fileName` and the line `number`.
Element ParseElementLine(std::string_view line, const std::string& fileName, long number);

// A solution file in brief, as the stage that wrote it knows it, so that the run need not read
// the file back for it: the number of its last solution (0 for none) and the elements that some
// line gives a positive coefficient, sorted.
struct SolutionDigest {
  size_t last = 0;
  std::vector<int32_t> covered;
};

// An element line whose value may have any number of digits (the solution files of
// "--minimal"): the value as decimal text without leading zeros or "+", "-" before a negative
// one, "1" when the line holds two integers. Row and column are read as by ParseElementLine.
struct WideElement {
  int32_t row = 0;
  int32_t col = 0;
  std::string value = "1";
  bool Positive() const { return value[0] != '-' && value != "0"; }
};
WideElement ParseWideElementLine(std::string_view line, const std::string& fileName, long number);

// The one reader of element lines. Every line of an open stream, in file order: `visit`(line,
// number) for a data line, `skipped`(line) for a line that `rule` skips. Lines are numbered from
// `first`, the number of the stream's next line, for the messages.
template <class Visit, class Skipped>
void ForEachDataLine(std::FILE* file, CommentRule rule, long first, Visit&& visit, Skipped&& skipped) {
  LineReader reader(file);
  std::string_view line;
  for (long number = first; reader.Next(line); ++number) {
    if (IsSkippedLine(line, rule)) skipped(line);
    else visit(line, number);
  }
}

// `visit`(const Element&) for every element line of an open stream, in file order; a malformed
// line ends the run naming `fileName` and the line (numbered from `first`).
template <class Visit>
void ForEachElement(std::FILE* file, const std::string& fileName, Visit&& visit,
                    CommentRule rule = CommentRule::kHash, long first = 1) {
  ForEachDataLine(
      file, rule, first, [&](std::string_view line, long number) { visit(ParseElementLine(line, fileName, number)); },
      [](std::string_view) {});
}

// `visit`(const WideElement&) for every element line of a solution file, in file order. With
// `wide` the value may have any number of digits (ParseWideElementLine); without, it is read as
// by ForEachElement, so a value beyond 32 bits ends the run with the overflow message.
template <class Visit>
void ForEachWideElement(std::FILE* file, const std::string& fileName, bool wide, Visit&& visit) {
  ForEachDataLine(
      file, CommentRule::kHash, 1,
      [&](std::string_view line, long number) {
        if (wide) {
          visit(ParseWideElementLine(line, fileName, number));
        } else {
          const Element e = ParseElementLine(line, fileName, number);
          visit(WideElement{e.row, e.col, std::to_string(e.value)});
        }
      },
      [](std::string_view) {});
}

// Every element of an open SPM stream, in file order.
std::vector<Element> ReadElements(std::FILE* file, const std::string& fileName,
                                  CommentRule rule = CommentRule::kHash);

// Opens `fileName` (failing with the open message) and reads its elements.
std::vector<Element> ReadElementsFile(const std::string& fileName, CommentRule rule = CommentRule::kHash);

// Writes "%d %d %d\n".
void WriteElement(std::FILE* file, int32_t row, int32_t col, int32_t value);

// Writes every element as "%d %d %d\n" to the file `fileName` (replaced).
void WriteElementsFile(const std::string& fileName, const std::vector<Element>& elements);

// Indices in order of first appearance, positions from 0. Small non-negative indices (below a
// bound that grows with the list) are looked up in a table, the others in a hash map.
struct IndexList {
  std::vector<int32_t> ids;                       // ids[k]: the index at position k
  std::vector<int32_t> table;                     // table[id]: position + 1 of a small id, 0 when absent
  size_t bound = 0;                               // ids below it may go to the table (besides the default)
  std::unordered_map<int32_t, int32_t> position;  // position of every other id
  // Position of `id`, appended at the end when new.
  int32_t Add(int32_t id);
  // Position of `id`, or -1.
  int32_t Find(int32_t id) const;
  size_t size() const { return ids.size(); }
};

// A matrix file loaded densely: cell (i, j) stands for rows.ids[i] and cols.ids[j].
struct DenseMatrix {
  IndexList rows;
  IndexList cols;
  std::vector<int32_t> cells;  // row after row, rows.size() * cols.size() entries
  int32_t& at(size_t i, size_t j) { return cells[i * cols.size() + j]; }
  int32_t at(size_t i, size_t j) const { return cells[i * cols.size() + j]; }
};

// A matrix held by rows: the non-zero cells of every row in increasing column position.
struct RowCells {
  struct Cell {
    int32_t col;    // column position
    int32_t value;  // the sum of the cell's lines, not 0
  };
  IndexList rows;
  IndexList cols;
  std::vector<size_t> start;  // the cells of row position i are cells[start[i] .. start[i + 1])
  std::vector<Cell> cells;
};

// Builds the rows of `elements`, adding the lines of every cell in their order; a sum outside
// 32 bits ends the run with the overflow message. A failed allocation ends it with the memory
// message of `indices` (the index lists) or `cells` (the cells).
RowCells LoadRows(const std::vector<Element>& elements, const char* indices, const char* cells);

// Builds the dense matrix of `elements`, adding the cells of repeated positions. A failed
// allocation ends the run with "*** not enough memory for <arrays>\n".
DenseMatrix LoadDense(const std::vector<Element>& elements, const char* arrays);

}  // namespace pelorin
