// The progress line of a run on standard error: when standard error is a terminal and the run
// has lasted a second, one line, rewritten in place ("\r" and erase to the end of the line):
//     "Pelorin: solving, equation 120 of 273, 4187 rays, 35 MB"
// the stage, its step when it has steps, the vectors in hand and the resident memory of the
// process. It changes at most ten times a second; the clock is read once per step told (see
// matrix/progress.h), so it costs nothing measurable. Erase() (and the destructor) clears the
// line once it was shown, so that the report or a "***" message starts on a clean line. When
// standard error is not a terminal, nothing is ever written to it.
#pragma once

#include <chrono>
#include <cstddef>

#include "matrix/progress.h"

namespace pelorin {

class TerminalProgress final : public ProgressObserver {
 public:
  using Clock = std::chrono::steady_clock;
  // `shown`: whether the line may appear at all (standard error is a terminal); it appears once
  // `after` has passed since construction, and changes at most once per `every`.
  explicit TerminalProgress(bool shown, Clock::duration after = std::chrono::seconds(1),
                            Clock::duration every = std::chrono::milliseconds(100));
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void Step(const char* stage, size_t step, size_t steps, size_t rays) override;
  // A stage without steps or vectors.
  void Stage(const char* stage) { Step(stage, 0, 0, 0); }
  void Erase();
  // This observer when the line may appear, else none (the stages then tell nothing at all).
  ProgressObserver* IfShown() { return shown_ ? this : nullptr; }

  // Whether standard error is a terminal.
  static bool StandardErrorIsTerminal();

 private:
  bool shown_;
  Clock::duration after_, every_;
  bool onScreen_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_{};
};

}  // namespace pelorin
