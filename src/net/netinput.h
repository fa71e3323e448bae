// The bytes of the net input and its lines: the whole input read into memory (so that
// recognition and the reader see the same lines and a pipe on standard input works), a regular
// file mapped for the PNML reader, and the walk over the lines of a text. Reads the input file;
// writes nothing.
//
// The readers see the input as C strings would: a line ends at its line feed (kept), a zero byte
// ends its content, and a last line without a line feed is read as if it had one.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "matrix/lines.h"

namespace pelorin {

// The whole input; a stream that fails while being read ends the run with "*** wrong input
// file\n" (exit code 2). A regular file's text is given its room at once, so that a large net
// is held only once while it is read.
std::string ReadInput(std::FILE* in);

// A regular file mapped into memory for reading, unmapped with the handle; PNML is parsed from it
// without a copy of the file (the file must not shrink meanwhile).
struct Unmap {
  size_t size = 0;
  void operator()(const char* data) const;
};
using Mapping = std::unique_ptr<const char, Unmap>;

// The mapped content of `in` when it is a non-empty regular file that can be mapped, else none.
Mapping MapRegularFile(std::FILE* in);

// The lines of an input text, one after another.
struct Lines {
  const std::string& text;
  size_t start = 0;
};

// The next line, line feed included (added to a last line without one) and cut at a zero byte.
bool NextLine(Lines& lines, std::string& line);

// A comment ("#" in column 1) or a line of blanks only.
inline bool IsSkipped(const std::string& line) { return (!line.empty() && line[0] == '#') || IsBlankLine(line); }

// Calls `read(line, pos)` for every line of `text` that is neither a comment nor blank, `pos`
// after the line's leading blanks; stops early when `read` returns true.
template <class F>
void ForEachNetLine(const std::string& text, F&& read) {
  Lines lines{text};
  std::string line;
  while (NextLine(lines, line)) {
    if (IsSkipped(line)) continue;
    size_t pos = 0;
    SwallowSpace(line, pos);
    if (read(line, pos)) return;
  }
}

}  // namespace pelorin
