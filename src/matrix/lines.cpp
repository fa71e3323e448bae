// Line utilities, file copy and matrix transposition.
#include "matrix/lines.h"

#include <algorithm>

#include "matrix/spm.h"
#include "matrix/textfile.h"

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

void CopyFile(const std::string& source, const std::string& target, const char* mode) {
  File in = OpenFile(source, "r");
  File out = OpenFile(target, mode);
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) std::fwrite(chunk, 1, got, out.get());
  CloseFile(out, target);
}

void TransposeMatrix(const std::string& source, const std::string& target) {
  File in = OpenFile(source, "r");
  File out = OpenFile(target, "w");
  ForEachDataLine(
      in.get(), CommentRule::kHash, 1,
      [&](std::string_view line, long number) {
        const Element e = ParseElementLine(line, source, number);
        WriteElement(out.get(), e.col, e.row, e.value);
      },
      [&](std::string_view line) {  // comment and blank lines unchanged
        WriteText(out.get(), line);
        if (line.back() != '\n') WriteText(out.get(), "\n");
      });
  CloseFile(out, target);
}

}  // namespace pelorin
