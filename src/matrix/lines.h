// Line utilities shared by every text reader: blanks, the one name grammar, and the 64-bit
// key of a pair of numbers.
//
// The four blanks of the system are space, tab, carriage return and line feed; vertical tab and
// form feed are ordinary characters. Positions index a std::string; the position size() plays
// the part of the terminating zero byte (the end of the line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// True for the four blanks: space, tab, carriage return, line feed.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One 64-bit key for a pair of 32-bit numbers (hash keys, sort keys): `high` in the upper half,
// `low` in the lower; a negative number counts as its 32-bit pattern. Keys of the same `high`
// sort by `low` as unsigned numbers.
inline uint64_t PairKey(uint32_t high, uint32_t low) { return uint64_t{high} << 32 | low; }
inline uint64_t PairKey(int32_t high, int32_t low) {
  return PairKey(static_cast<uint32_t>(high), static_cast<uint32_t>(low));
}

// True when every character of the line is a blank (the empty line included).
inline bool IsBlankLine(std::string_view line) {
  for (char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

// Advances `pos` over blanks; stops at the first other character or at the end of the line.
inline void SwallowSpace(std::string_view line, size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
}

// True when the character at `pos` is a blank or the end of the line.
bool IsSpace(std::string_view line, size_t pos);

// Reads the name at `pos` and moves `pos` past it. The one name grammar of the net files and
// the name tables:
//   braced -> "{" { char | "\" char } "}"   braces and backslashes kept; an unclosed name ends at
//                                           the end of the line
//   plain  -> characters up to a blank, "*" or the end of the line (possibly none)
// The end of the line is the end of the text, a NUL, a line feed or a carriage return. Examples:
// "{a b}*2" gives "{a b}", "{a\}b} c" gives "{a\}b}", "p1*2" gives "p1".
std::string GetName(const std::string& line, size_t& pos);

}  // namespace pelorin
