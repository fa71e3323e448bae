// The progress line on standard error (contract in progress.h). Reads /proc/self/statm for the
// memory; writes standard error only.
#include "run/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace pelorin {

namespace {

// The resident memory of the process in megabytes, 0 when the system does not say.
unsigned long ResidentMegabytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  unsigned long size = 0, resident = 0;
  const bool read = std::fscanf(statm, "%lu %lu", &size, &resident) == 2;
  std::fclose(statm);
  const long page = sysconf(_SC_PAGESIZE);
  return read && page > 0 ? resident * static_cast<unsigned long>(page) / (1024 * 1024) : 0;
}

}  // namespace

TerminalProgress::TerminalProgress(bool shown, Clock::duration after, Clock::duration every)
    : shown_(shown), after_(after), every_(every) {}

TerminalProgress::~TerminalProgress() { Erase(); }

bool TerminalProgress::StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void TerminalProgress::Step(const char* stage, size_t step, size_t steps, size_t rays) {
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < after_ || now - last_ < every_) return;
  last_ = now;
  std::string line = std::string("\rPelorin: ") + stage;
  if (steps > 0) line += ", equation " + std::to_string(step) + " of " + std::to_string(steps);
  if (rays > 0) line += ", " + std::to_string(rays) + " rays";
  line += ", " + std::to_string(ResidentMegabytes()) + " MB\x1b[K";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  onScreen_ = true;
}

void TerminalProgress::Erase() {
  if (!onScreen_) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  onScreen_ = false;
}

}  // namespace pelorin
