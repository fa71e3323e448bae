// The lock that lets runs share a directory: a run holds an exclusive lock on its work-file base
// for as long as it uses the base, so that two runs on one base (a P- and a T-run of one net,
// the same net twice) never write each other's work files. A second run on the base waits until
// the first has ended, then runs as if alone; runs on different bases never wait.
//
// The lock is the file W.lock beside the work files (W the base), locked with flock(2) and
// removed by its holder when the run ends, successful or not. A run that took the lock on a
// file another run removed meanwhile takes it again on the file now under the name. Nothing is
// ever written to the file; a non-empty file of that name is not the run's and is not removed.
// A lock that cannot be held (the file cannot be opened, e.g. a directory stands under its name,
// or the file system refuses the lock) ends the run before anything is written, with
// "*** error lock file W.lock: REASON\n" (the system's reason) and exit code 2: runs that went
// on without it could write each other's work files.
#pragma once

#include <string>

namespace pelorin {

class BaseLock {
 public:
  // Waits for and takes the lock on `base`; fails as above when it cannot be held.
  explicit BaseLock(const std::string& base);
  // Removes the lock file and releases the lock.
  ~BaseLock();
  BaseLock(const BaseLock&) = delete;
  BaseLock& operator=(const BaseLock&) = delete;

 private:
  std::string name_;  // W.lock
  int fd_ = -1;       // the locked file
};

}  // namespace pelorin
