// The one failure path: builds the system's messages and reports them on standard output.
#include "matrix/failure.h"

#include <cstdio>
#include <new>

namespace pelorin {

void Fail(int code, const std::string& message) { throw Failure(code, message); }

void FailOpen(const std::string& fileName) { Fail(kExitFile, "*** error open file " + fileName + "\n"); }

void FailMemory(const std::string& arrays) {
  Fail(kExitMemory, "*** not enough memory for " + arrays + "\n");
}

void FailOverflow() { Fail(kExitOverflow, "*** integer overflow\n"); }

int ReportFailure(const Failure& failure) {
  std::fwrite(failure.message.data(), 1, failure.message.size(), stdout);
  std::fflush(stdout);
  return failure.code;
}

}  // namespace pelorin
