// Line utilities: blanks and the one name grammar.
#include "matrix/lines.h"

namespace pelorin {

bool IsSpace(std::string_view line, size_t pos) { return pos >= line.size() || IsBlank(line[pos]); }

namespace {

bool AtLineEnd(const std::string& line, size_t pos) {
  return pos >= line.size() || line[pos] == '\0' || line[pos] == '\n' || line[pos] == '\r';
}

// braced -> "{" { char | "\" char } "}", ending early at the end of the line
void SkipBraced(const std::string& line, size_t& pos) {
  bool escaped = false;
  while (!AtLineEnd(line, pos)) {
    const char c = line[pos++];
    if (escaped) escaped = false;
    else if (c == '\\') escaped = true;
    else if (c == '}') return;
  }
}

}  // namespace

std::string GetName(const std::string& line, size_t& pos) {
  const size_t start = pos;
  if (pos < line.size() && line[pos] == '{') SkipBraced(line, pos);
  else
    while (!AtLineEnd(line, pos) && !IsBlank(line[pos]) && line[pos] != '*') ++pos;
  return line.substr(start, pos - start);
}

}  // namespace pelorin
