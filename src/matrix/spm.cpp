// Reading and writing sparse matrix files, and their dense load.
#include "matrix/spm.h"

#include <algorithm>

#include "matrix/textfile.h"
#include "matrix/lines.h"
#include "matrix/failure.h"

namespace pelorin {

bool IsSkippedLine(std::string_view line, CommentRule rule) {
  if (!line.empty()) {
    const char first = line[0];
    if (first == '#' && rule != CommentRule::kSemicolon) return true;
    if (first == ';' && rule != CommentRule::kHash) return true;
  }
  return IsBlankLine(line);
}

int32_t LeadingInt(const std::string& text, size_t pos) {
  int32_t value = 0;
  return ParseInt(text, pos, value) ? value : 0;
}

namespace {

// The row and the column that begin an element line; returns the position after them. A line
// that does not begin with two integers ends the run.
size_t ParseRowAndColumn(std::string_view line, int32_t& row, int32_t& col, const std::string& fileName,
                         long number) {
  size_t pos = 0;
  if (!ParseInt(line, pos, row) || !ParseInt(line, pos, col))
    Fail(kExitInput, "*** malformed line " + std::to_string(number) + " in file " + fileName + "\n");
  return pos;
}

}  // namespace

Element ParseElementLine(std::string_view line, const std::string& fileName, long number) {
  Element e;
  size_t pos = ParseRowAndColumn(line, e.row, e.col, fileName, number);
  ParseInt(line, pos, e.value);
  return e;
}

WideElement ParseWideElementLine(std::string_view line, const std::string& fileName, long number) {
  WideElement e;
  size_t pos = ParseRowAndColumn(line, e.row, e.col, fileName, number);
  SwallowSpace(line, pos);
  bool negative = false;
  if (pos < line.size() && (line[pos] == '+' || line[pos] == '-')) negative = line[pos++] == '-';
  const size_t digits = pos;
  while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') ++pos;
  if (pos == digits) return e;
  const size_t first = line.find_first_not_of('0', digits);
  if (first >= pos) {
    e.value = "0";
  } else {
    e.value.assign(negative ? "-" : "");
    e.value.append(line, first, pos - first);
  }
  return e;
}

std::vector<Element> ReadElements(std::FILE* file, const std::string& fileName, CommentRule rule) {
  std::vector<Element> elements;
  ForEachElement(file, fileName, [&](const Element& e) { elements.push_back(e); }, rule);
  return elements;
}

std::vector<Element> ReadElementsFile(const std::string& fileName, CommentRule rule) {
  File file = OpenFile(fileName, "r");
  return ReadElements(file.get(), fileName, rule);
}

void WriteElement(std::FILE* file, int32_t row, int32_t col, int32_t value) {
  std::fprintf(file, "%d %d %d\n", row, col, value);
}

void WriteElementsFile(const std::string& fileName, const std::vector<Element>& elements) {
  File file = OpenFile(fileName, "w");
  for (const Element& e : elements) WriteElement(file.get(), e.row, e.col, e.value);
  CloseFile(file, fileName);
}

namespace {

// The table covers ids below 1024, below four times the number of ids listed and below the bound
// the owner sets, so that it never holds much more than the ids or the lines they come from; an
// id it covers is never in the hash map.
bool FitsTable(int32_t id, size_t listed, size_t tableSize, size_t bound) {
  if (id < 0) return false;
  const auto slot = static_cast<size_t>(id);
  return slot < tableSize || slot < std::max<size_t>({1024, 4 * listed, bound});
}

}  // namespace

int32_t IndexList::Add(int32_t id) {
  if (!FitsTable(id, ids.size(), table.size(), bound)) {
    auto [it, inserted] = position.try_emplace(id, static_cast<int32_t>(ids.size()));
    if (inserted) ids.push_back(id);
    return it->second;
  }
  const auto slot = static_cast<size_t>(id);
  if (slot >= table.size()) {
    table.resize(std::max({slot + 1, 2 * table.size(), size_t{1024}}), 0);
    for (auto it = position.begin(); it != position.end();) {  // ids the table covers now
      if (it->first >= 0 && static_cast<size_t>(it->first) < table.size()) {
        table[static_cast<size_t>(it->first)] = it->second + 1;
        it = position.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (table[slot] == 0) {
    ids.push_back(id);
    table[slot] = static_cast<int32_t>(ids.size());
  }
  return table[slot] - 1;
}

int32_t IndexList::Find(int32_t id) const {
  if (id >= 0 && static_cast<size_t>(id) < table.size()) return table[static_cast<size_t>(id)] - 1;
  auto it = position.find(id);
  return it == position.end() ? -1 : it->second;
}

RowCells LoadRows(const std::vector<Element>& elements, const char* indices, const char* cells) {
  if (elements.size() > UINT32_MAX) FailMemory(cells);
  RowCells m;
  m.rows.bound = m.cols.bound = elements.size();  // a table no larger than the lines
  std::vector<int32_t> row, col;
  WithMemory(indices, [&] {
    row.reserve(elements.size());
    col.reserve(elements.size());
    for (const Element& e : elements) {
      row.push_back(m.rows.Add(e.row));
      col.push_back(m.cols.Add(e.col));
    }
  });
  WithMemory(cells, [&] {
    // The lines in row order, each row's lines in their order: a counting sort.
    std::vector<size_t> first(m.rows.size() + 1, 0);
    for (int32_t r : row) ++first[static_cast<size_t>(r) + 1];
    for (size_t i = 1; i < first.size(); ++i) first[i] += first[i - 1];
    std::vector<size_t> next(first.begin(), first.end() - 1);
    std::vector<uint32_t> order(elements.size());
    for (size_t k = 0; k < elements.size(); ++k) order[next[static_cast<size_t>(row[k])]++] = static_cast<uint32_t>(k);
    m.start.assign(m.rows.size() + 1, 0);
    for (size_t i = 0; i < m.rows.size(); ++i) {
      const auto begin = order.begin() + static_cast<std::ptrdiff_t>(first[i]);
      const auto end = order.begin() + static_cast<std::ptrdiff_t>(first[i + 1]);
      auto byColumn = [&](uint32_t x, uint32_t y) { return col[x] < col[y]; };
      if (!std::is_sorted(begin, end, byColumn)) std::stable_sort(begin, end, byColumn);
      for (auto k = begin; k != end;) {
        const int32_t c = col[*k];
        int32_t sum = 0;
        for (; k != end && col[*k] == c; ++k) sum = CheckedAdd(sum, elements[*k].value);
        if (sum != 0) m.cells.push_back({c, sum});
      }
      m.start[i + 1] = m.cells.size();
    }
  });
  return m;
}

DenseMatrix LoadDense(const std::vector<Element>& elements, const char* arrays) {
  return WithMemory(arrays, [&] {
    DenseMatrix matrix;
    for (const Element& e : elements) {
      matrix.rows.Add(e.row);
      matrix.cols.Add(e.col);
    }
    matrix.cells.assign(matrix.rows.size() * matrix.cols.size(), 0);
    for (const Element& e : elements) {
      int32_t& cell = matrix.at(static_cast<size_t>(matrix.rows.Find(e.row)), static_cast<size_t>(matrix.cols.Find(e.col)));
      cell = CheckedAdd(cell, e.value);
    }
    return matrix;
  });
}

}  // namespace pelorin
