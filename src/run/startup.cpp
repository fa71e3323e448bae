// The set-up of the process before a run (contract in startup.h).
#include "run/startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace pelorin {

namespace {

bool IsClosed(int fd) { return fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

// Opens /dev/null on the closed descriptor `fd`, against its usual direction.
bool Hold(int fd) {
  const int opened = open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) | O_NOCTTY);
  if (opened < 0) return false;
  if (opened == fd) return true;  // the lowest free descriptor is the one asked for
  const bool moved = dup2(opened, fd) == fd;
  close(opened);
  return moved;
}

}  // namespace

bool PrepareProcess() {
  std::signal(SIGXFSZ, SIG_IGN);
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
    if (IsClosed(fd) && !Hold(fd)) return false;
  return true;
}

}  // namespace pelorin
