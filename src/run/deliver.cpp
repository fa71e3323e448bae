// Delivery of the solution file (contract in deliver.h).
#include "run/deliver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "matrix/failure.h"

namespace pelorin {

namespace {

// The permissions a new file gets under the process's mask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Copies the open file `in` to the open file `out`; false with errno set when a step fails.
bool CopyAll(int in, int out) {
  std::vector<char> chunk(size_t{1} << 16);
  for (;;) {
    const ssize_t got = read(in, chunk.data(), chunk.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, chunk.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno != EINTR) return false;
      if (put > 0) done += put;
    }
  }
}

// Copies `from` into a new file beside `to` and renames it to `to`; false with errno set, the
// new file removed, when any step fails.
bool CopyInto(const std::string& from, const std::string& to) {
  std::string name = to + ".XXXXXX";
  const int out = mkstemp(name.data());
  if (out < 0) return false;
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = in >= 0 && fchmod(out, NewFileMode()) == 0 && CopyAll(in, out) && fsync(out) == 0;
  int error = errno;
  if (in >= 0) close(in);
  if (close(out) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && std::rename(name.c_str(), to.c_str()) == 0) return true;
  if (ok) error = errno;
  unlink(name.c_str());
  errno = error;
  return false;
}

}  // namespace

void DeliverFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return;
  if (errno != EXDEV) FailWrite(to, errno);
  if (!CopyInto(from, to)) FailWrite(to, errno);
  std::remove(from.c_str());
}

}  // namespace pelorin
