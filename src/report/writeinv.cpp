// Invariant listing (contract in writeinv.h).
#include "report/writeinv.h"

#include <new>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "matrix/failure.h"

namespace pelorin {

namespace {

constexpr size_t kNamesStep = 16384;  // growth of the name store, in characters
constexpr size_t kNamesFree = 1024;   // free characters guaranteed before each table line
constexpr size_t kPnStep = 1024;      // growth of the number index, in entries

// A name ends at the end of the line: the end of the text, a NUL, a line feed or a carriage return.
bool AtLineEnd(const std::string& str, size_t pos) {
  return pos >= str.size() || str[pos] == '\0' || str[pos] == '\n' || str[pos] == '\r';
}

// Braced name: up to and including the first "}" that no backslash escapes.
void CopyBraced(const std::string& str, size_t& pos, std::string& names) {
  bool escaped = false;
  while (!AtLineEnd(str, pos)) {
    const char c = str[pos++];
    names.push_back(c);
    if (escaped) escaped = false;
    else if (c == '\\') escaped = true;
    else if (c == '}') return;
  }
}

// Plain name: up to, not including, a blank, "*" or the end of the line.
void CopyPlain(const std::string& str, size_t& pos, std::string& names) {
  while (!AtLineEnd(str, pos) && str[pos] != ' ' && str[pos] != '\t' && str[pos] != '*') names.push_back(str[pos++]);
}

// One table line "number name": the number is the line's first integer; the name begins after
// the word of the number, the character that ends it and further blanks.
void ReadTableLine(const std::string& str, NameTable& t) {
  ExpandNames1(t);
  ExpandP1(t);
  const int32_t number = LeadingInt(str);
  size_t pos = 0;
  SwallowSpace(str, pos);
  while (!IsSpace(str, pos)) ++pos;
  if (pos < str.size()) ++pos;
  SwallowSpace(str, pos);
  WithMemory("pn", [&] { t.pn[number] = t.names.size(); });
  ++t.m;
  WithMemory("names", [&] { GetName1(str, pos, t.names); });
}

// One member of a semiflow: its name, "*coefficient" above 1 (decimal text), and a blank.
void WriteMember(std::FILE* out, const NameTable& t, int32_t element, const std::string& coefficient) {
  const auto it = t.pn.find(element);
  if (it != t.pn.end()) std::fputs(t.names.c_str() + it->second, out);
  else std::fprintf(out, "#%d", element);
  if (coefficient[0] != '-' && coefficient != "0" && coefficient != "1") std::fprintf(out, "*%s", coefficient.c_str());
  std::fputc(' ', out);
}

// A solution line: the solution number, the element and its coefficient as decimal text.
WideElement ParseSolutionLine(const std::string& line, const std::string& name, long number, bool wide) {
  if (wide) return ParseWideElementLine(line, name, number);
  const Element e = ParseElementLine(line, name, number);
  return WideElement{e.row, e.col, std::to_string(e.value)};
}

// Lists the solution lines in full output (or only reads them) and returns the number of the
// last solution read, 0 when there was none.
int32_t ListSolutions(std::FILE* in, const std::string& name, std::FILE* out, const NameTable& t, bool full,
                      bool wide) {
  int32_t current = 0;
  std::string line;
  for (long number = 1; ReadLine(in, line); ++number) {
    if (IsSkippedLine(line, CommentRule::kHash)) continue;
    const WideElement e = ParseSolutionLine(line, name, number, wide);
    if (e.row != current) {
      current = e.row;
      if (full) std::fputc('\n', out);
    }
    if (full) WriteMember(out, t, e.col, e.value);
  }
  return current;
}

// The first allocation of the table; false (after the message) when memory is short.
bool AllocateTable(NameTable& t) {
  try {
    t.names.reserve(kNamesStep);
    t.pn.reserve(kPnStep);
    t.maxm = kPnStep;
    return true;
  } catch (const std::bad_alloc&) {
    ReportFailure(Failure(kExitMemory, "*** not enough memory for pn,names\n"));
    return false;
  }
}

}  // namespace

void GetName1(const std::string& str, size_t& pos, std::string& names) {
  if (pos < str.size() && str[pos] == '{') CopyBraced(str, pos, names);
  else CopyPlain(str, pos, names);
  names.push_back('\0');
}

void ExpandNames1(NameTable& t) {
  if (t.names.size() + kNamesFree <= t.names.capacity()) return;
  WithMemory("names", [&] { t.names.reserve(t.names.capacity() + kNamesStep); });
}

void ExpandP1(NameTable& t) {
  if (t.m + 2 < t.maxm) return;
  t.maxm += kPnStep;
  WithMemory("pn", [&] { t.pn.reserve(t.maxm); });
}

void ReadTable(std::FILE* file, NameTable& t) {
  std::string str;
  while (ReadLine(file, str))
    if (!IsSkippedLine(str, CommentRule::kHash)) ReadTableLine(str, t);
}

int WriteInv(const std::string& table, const std::string& solutions, const std::string& output, int detail,
             bool wide) {
  File tableFile = OpenFile(table, "r");
  File solutionFile = OpenFile(solutions, "r");
  File out = OpenOutput(output, "a");
  NameTable t;
  if (!AllocateTable(t)) return 1;
  ReadTable(tableFile.get(), t);
  tableFile.reset();
  const bool full = detail != 0;
  const int32_t count = ListSolutions(solutionFile.get(), solutions, out.get(), t, full, wide);
  if (!full) std::fprintf(out.get(), "\n%d semiflow(s)", count);
  else if (count == 0) std::fputs("\nno semiflows", out.get());
  std::fputs("\n\n", out.get());
  std::fflush(out.get());
  return 0;
}

}  // namespace pelorin
