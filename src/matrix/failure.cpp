// The one failure path: builds the system's messages and reports them on standard output.
#include "matrix/failure.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace pelorin {

void Fail(int code, const std::string& message) { throw Failure(code, message); }

void FailOpen(const std::string& fileName) { Fail(kExitFile, "*** error open file " + fileName + "\n"); }

void FailWrite(const std::string& fileName, int error) {
  Fail(kExitFile, "*** error write file " + fileName + ": " + std::strerror(error != 0 ? error : EIO) + "\n");
}

void FailMemory(const std::string& arrays) {
  Fail(kExitMemory, "*** not enough memory for " + arrays + "\n");
}

void FailOverflow() { Fail(kExitOverflow, "*** integer overflow\n"); }

int ReportFailure(const Failure& failure) {
  std::fwrite(failure.message.data(), 1, failure.message.size(), stdout);
  // when standard output itself cannot be written, the message goes to standard error instead
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fwrite(failure.message.data(), 1, failure.message.size(), stderr);
    std::clearerr(stdout);
  }
  return failure.code;
}

}  // namespace pelorin
