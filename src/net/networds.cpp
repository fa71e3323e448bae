// Words and numbers of the net lines (networds.h).
#include "net/networds.h"

#include <algorithm>
#include <limits>

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/lines.h"

namespace pelorin {
namespace {

constexpr int64_t kTooBig = int64_t{std::numeric_limits<int32_t>::max()} + 1;

// 1000 for "K", 1000000 for "M" at `pos`, else 1.
int32_t MultiplierAt(const std::string& line, size_t pos) {
  if (pos >= line.size()) return 1;
  return line[pos] == 'K' ? 1000 : line[pos] == 'M' ? 1000000 : 1;
}

}  // namespace

void SkipWord(const std::string& line, size_t& pos) {
  while (!IsSpace(line, pos)) ++pos;
}

int32_t ApplyMultiplier(const std::string& line, size_t& pos, int32_t value) {
  const int32_t multiplier = MultiplierAt(line, pos);
  if (multiplier == 1) return value;
  ++pos;
  return CheckedMul(value, multiplier);
}

std::optional<int64_t> ScanCount(const std::string& line, size_t& pos) {
  size_t p = pos;
  int64_t value = 0;
  for (; p < line.size() && line[p] >= '0' && line[p] <= '9'; ++p)
    value = std::min(value * 10 + (line[p] - '0'), kTooBig);
  if (p == pos) return std::nullopt;
  const int32_t multiplier = MultiplierAt(line, p);
  if (multiplier != 1) ++p;
  pos = p;
  return std::min(value * multiplier, kTooBig);
}

int32_t CheckedCount(int64_t count) {
  if (count >= kTooBig) FailOverflow();
  return static_cast<int32_t>(count);
}

bool IsNoTokenWord(const std::string& text) {
  if (text.size() < 2 || (text[0] != '?' && text[0] != '!')) return false;
  size_t pos = text[1] == '-' ? 2 : 1;
  return ScanCount(text, pos) && pos == text.size();
}

}  // namespace pelorin
