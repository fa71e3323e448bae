// The memory limit of a run; the contract is in memory.h.
#include "run/memory.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "matrix/failure.h"
#include "run/cgroup.h"

#if defined(__SANITIZE_ADDRESS__)
#define PELORIN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELORIN_ADDRESS_SANITIZER 1
#endif
#endif

namespace pelorin {
namespace {

[[noreturn]] void FailSize(const std::string& text) { Fail(kExitInput, "*** malformed memory size: " + text + "\n"); }

uint64_t HalfOfPhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return std::numeric_limits<uint64_t>::max();
  return static_cast<uint64_t>(pages) / 2 * static_cast<uint64_t>(pageSize);
}

// The part of a control group's limit left to the rest of the group: an eighth, at least 32M,
// at most half.
uint64_t GroupMargin(uint64_t limit) { return std::min(std::max(limit / 8, uint64_t{32} << 20), limit / 2); }

// The multiple of a unit letter, 0 for a character that is none.
uint64_t UnitOf(char c) {
  switch (c) {
    case 'K': case 'k': return uint64_t{1} << 10;
    case 'M': case 'm': return uint64_t{1} << 20;
    case 'G': case 'g': return uint64_t{1} << 30;
    default: return 0;
  }
}

}  // namespace

uint64_t DefaultMemoryLimit(const std::string& root) {
  const std::optional<uint64_t> group = ControlGroupLimit(root);
  const uint64_t half = HalfOfPhysicalMemory();
  return group ? std::min(half, *group - GroupMargin(*group)) : half;
}

uint64_t MemoryLimit(const std::string& text) {
  if (text.empty()) return DefaultMemoryLimit("");
  size_t digits = 0;
  uint64_t value = 0;
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    const auto digit = static_cast<uint64_t>(text[digits] - '0');
    if (value > (kMax - digit) / 10) FailSize(text);
    value = value * 10 + digit;
  }
  uint64_t unit = 1;
  if (digits + 1 == text.size()) unit = UnitOf(text.back());
  else if (digits != text.size()) unit = 0;
  if (digits == 0 || unit == 0 || value == 0 || value > kMax / unit) FailSize(text);
  return value * unit;
}

void KeepFreedMemory() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_TOP_PAD, 16 << 20);
#endif
}

MemoryCap::MemoryCap(uint64_t bytes) {
#ifndef PELORIN_ADDRESS_SANITIZER
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0) return;
  previous_ = limit.rlim_cur;
  rlim_t cap = bytes >= static_cast<uint64_t>(RLIM_INFINITY) ? RLIM_INFINITY : static_cast<rlim_t>(bytes);
  if (limit.rlim_max != RLIM_INFINITY && cap > limit.rlim_max) cap = limit.rlim_max;
  if (limit.rlim_cur != RLIM_INFINITY && cap > limit.rlim_cur) return;  // a tighter cap stays
  limit.rlim_cur = cap;
  applied_ = setrlimit(RLIMIT_AS, &limit) == 0;
#else
  (void)bytes;
#endif
}

MemoryCap::~MemoryCap() {
  if (!applied_) return;
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0) return;
  limit.rlim_cur = static_cast<rlim_t>(previous_);
  setrlimit(RLIMIT_AS, &limit);
}

}  // namespace pelorin
