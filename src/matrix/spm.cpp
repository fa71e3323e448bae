// Reading and writing sparse matrix files, and their dense load.
#include "matrix/spm.h"

#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "run/failure.h"

namespace pelorin {

bool IsSkippedLine(const std::string& line, CommentRule rule) {
  if (!line.empty()) {
    const char first = line[0];
    if (first == '#' && rule != CommentRule::kSemicolon) return true;
    if (first == ';' && rule != CommentRule::kHash) return true;
  }
  return isempty(line) != 0;
}

bool ParseInt(const std::string& line, size_t& pos, int32_t& out) {
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

int32_t LeadingInt(const std::string& text, size_t pos) {
  int32_t value = 0;
  return ParseInt(text, pos, value) ? value : 0;
}

Element ParseElementLine(const std::string& line, const std::string& fileName, long number) {
  Element e;
  size_t pos = 0;
  if (!ParseInt(line, pos, e.row) || !ParseInt(line, pos, e.col))
    Fail(kExitInput, "*** malformed line " + std::to_string(number) + " in file " + fileName + "\n");
  ParseInt(line, pos, e.value);
  return e;
}

WideElement ParseWideElementLine(const std::string& line, const std::string& fileName, long number) {
  WideElement e;
  size_t pos = 0;
  if (!ParseInt(line, pos, e.row) || !ParseInt(line, pos, e.col))
    Fail(kExitInput, "*** malformed line " + std::to_string(number) + " in file " + fileName + "\n");
  SwallowSpace(line, pos);
  bool negative = false;
  if (pos < line.size() && (line[pos] == '+' || line[pos] == '-')) negative = line[pos++] == '-';
  const size_t digits = pos;
  while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') ++pos;
  if (pos == digits) return e;
  const size_t first = line.find_first_not_of('0', digits);
  e.value = first >= pos ? "0" : (negative ? "-" : "") + line.substr(first, pos - first);
  return e;
}

std::vector<Element> ReadElements(std::FILE* file, const std::string& fileName, CommentRule rule) {
  std::vector<Element> elements;
  std::string line;
  for (long number = 1; ReadLine(file, line); ++number) {
    if (IsSkippedLine(line, rule)) continue;
    elements.push_back(ParseElementLine(line, fileName, number));
  }
  return elements;
}

std::vector<Element> ReadElementsFile(const std::string& fileName, CommentRule rule) {
  File file = OpenFile(fileName, "r");
  return ReadElements(file.get(), fileName, rule);
}

void WriteElement(std::FILE* file, int32_t row, int32_t col, int32_t value) {
  std::fprintf(file, "%d %d %d\n", row, col, value);
}

int32_t IndexList::Add(int32_t id) {
  auto [it, inserted] = position.try_emplace(id, static_cast<int32_t>(ids.size()));
  if (inserted) ids.push_back(id);
  return it->second;
}

int32_t IndexList::Find(int32_t id) const {
  auto it = position.find(id);
  return it == position.end() ? -1 : it->second;
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

int32_t CheckedAdd(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) FailOverflow();
  return r;
}

int32_t CheckedMul(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) FailOverflow();
  return r;
}

}  // namespace pelorin
