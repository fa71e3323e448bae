// The lock on a work-file base (contract in baselock.h).
#include "run/baselock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "matrix/failure.h"
#include "run/fileid.h"
#include "run/workfiles.h"

namespace pelorin {

namespace {

// Opens the lock file, replacing a symbolic link planted under its name; -1 when it cannot.
int OpenLockFile(const std::string& name) {
  const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
  int fd = open(name.c_str(), flags, 0666);
  if (fd < 0 && errno == ELOOP && unlink(name.c_str()) == 0) fd = open(name.c_str(), flags | O_EXCL, 0666);
  return fd;
}

[[noreturn]] void FailLock(const std::string& name, int error) {
  Fail(kExitFile, "*** error lock file " + name + ": " + std::strerror(error) + "\n");
}

}  // namespace

BaseLock::BaseLock(const std::string& base) : name_(MainFilesOf(base, false).lock) {
  for (;;) {
    fd_ = OpenLockFile(name_);
    if (fd_ < 0) FailLock(name_, errno);
    int locked;
    while ((locked = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      const int error = errno;
      close(fd_);
      FailLock(name_, error);
    }
    if (StillNamed(fd_, name_)) return;
    // the holder before us removed the file: lock the one under the name now
    close(fd_);
  }
}

BaseLock::~BaseLock() {
  struct stat st {};
  if (fstat(fd_, &st) == 0 && st.st_size == 0 && StillNamed(fd_, name_)) unlink(name_.c_str());
  close(fd_);
}

}  // namespace pelorin
