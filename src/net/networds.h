// Words and numbers of the ".net" and ".ndr" lines: skipping a word, the multipliers K (x1000)
// and M (x1000000) right after the digits of a weight or a marking, and counts (digits with an
// optional multiplier), the marks of the arcs that move no token. Reads a line at a position;
// writes nothing. Examples: "6K" is 6000, "2M" is 2000000, "3K" as a weight "*-3K" is -3000;
// "5000000K" overflows; "?-1" marks an inhibitor arc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pelorin {

// Advances past the rest of a word: up to the next blank or the end of the line.
void SkipWord(const std::string& line, size_t& pos);

// `value` times the multiplier at `pos` ("K" or "M"), `pos` moved past it; `value` itself when
// there is none. A product outside 32 bits ends the run with "*** integer overflow\n" (5).
int32_t ApplyMultiplier(const std::string& line, size_t& pos, int32_t value);

// count -> digits [ "K" | "M" ]: the count at `pos`, `pos` moved past it; none (pos unchanged)
// when `pos` holds no digit. A count beyond 32 bits is returned as 2^31 (see CheckedCount).
std::optional<int64_t> ScanCount(const std::string& line, size_t& pos);

// The count as a 32-bit number; beyond 32 bits ends the run with "*** integer overflow\n" (5).
int32_t CheckedCount(int64_t count);

// mark -> ( "?" | "!" ) [ "-" ] count, the whole of `text`: a test ("?1"), inhibitor ("?-1") or
// stopwatch ("!1", "!-1") arc, which moves no token.
bool IsNoTokenWord(const std::string& text);

}  // namespace pelorin
