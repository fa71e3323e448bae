// The lock that lets runs share a directory: a run holds an exclusive lock on its work-file base
// for as long as it uses the base, so that two runs on one base (a P- and a T-run of one net,
// the same net twice) never write each other's work files. A second run on the base waits until
// the first has ended, then runs as if alone; runs on different bases never wait.
//
// The lock is the file W.lock beside the work files (W the base), locked with flock(2) and
// removed by its holder when the run ends, successful or not. A run that took the lock on a
// file another run removed meanwhile takes it again on the file now under the name. Nothing is
// ever written to the file; a non-empty file of that name is not the run's and is not removed.
// When the file cannot be made (a directory that cannot be written), the run goes on without the
// lock and fails where it first writes a work file, as it would without locking.
#pragma once

#include <string>

namespace pelorin {

class BaseLock {
 public:
  // Waits for and takes the lock on `base`.
  explicit BaseLock(const std::string& base);
  // Removes the lock file and releases the lock.
  ~BaseLock();
  BaseLock(const BaseLock&) = delete;
  BaseLock& operator=(const BaseLock&) = delete;

 private:
  std::string name_;  // W.lock
  int fd_ = -1;       // the locked file, -1 when the run goes without the lock
};

}  // namespace pelorin
