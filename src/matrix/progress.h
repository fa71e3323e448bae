// The progress of a long computation, as stages hand it to whoever shows it: the run owns the
// observer and passes it down; a stage given none says nothing.
//
// Step(stage, step, steps, rays) tells that `stage` (e.g. "solving") is at step `step` of
// `steps` (0 of 0 when it has no steps) with `rays` vectors in hand. A stage calls it once per
// step of its own (an equation eliminated) and within a step at most once per few thousand
// pairs of rays tested, so an observer may look at the clock each time.
#pragma once

#include <cstddef>

namespace pelorin {

class ProgressObserver {
 public:
  virtual void Step(const char* stage, size_t step, size_t steps, size_t rays) = 0;

 protected:
  ~ProgressObserver() = default;
};

}  // namespace pelorin
