// The memory limit of a run ("--memory=SIZE").
//
// SIZE is a number of bytes, optionally followed by K, M or G (binary multiples: 64M is 64 * 2^20
// bytes). Without the option the limit is the smaller of half of the machine's physical memory
// and, when the process runs in a control group that limits memory (run/cgroup.h), that limit
// less a margin for the rest of the group (an eighth of it, at least 32M, at most half), so that
// the run ends with its memory message before the group's limit calls in the kernel's
// out-of-memory killer. The limit caps the address space of the process, so that an allocation
// beyond it fails inside the stage that makes it and ends the run with that stage's memory
// message, as any exhausted memory does; nothing else changes. A malformed SIZE ends the run with
// "*** malformed memory size: SIZE\n" (exit code 4). Builds with AddressSanitizer need far more
// address space than they use and skip the cap; the size is still checked.
#pragma once

#include <cstdint>
#include <string>

namespace pelorin {

// The limit in bytes written as `text` ("" is the default, above).
uint64_t MemoryLimit(const std::string& text);

// The default limit, the control group's files read with `root` before their names ("" on the
// running system).
uint64_t DefaultMemoryLimit(const std::string& root);

// Asks the allocator to keep freed memory for the next allocations instead of handing it back
// to the system at once: the stages allocate and free large arrays in turn, and fresh pages
// from the system cost more than the work on them.
void KeepFreedMemory();

// Caps the process's address space at `bytes` while it lives and puts the previous cap back
// when it ends.
class MemoryCap {
 public:
  explicit MemoryCap(uint64_t bytes);
  ~MemoryCap();
  MemoryCap(const MemoryCap&) = delete;
  MemoryCap& operator=(const MemoryCap&) = delete;

 private:
  bool applied_ = false;   // whether the cap was set (and so must be put back)
  uint64_t previous_ = 0;  // the soft limit before the cap (RLIM_INFINITY for none)
};

}  // namespace pelorin
