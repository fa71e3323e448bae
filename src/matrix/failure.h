// The one failure path of Pelorin.
//
// Every failure of a stage ends the run with one message on standard output (it begins with
// "***") and an exit code. Stages call Fail(); it throws a Failure that `main` catches, prints
// and turns into the exit code, so that tests can call a stage and inspect the failure instead
// of losing the process. Files already written stay as they are.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <utility>

namespace pelorin {

// Exit codes of the process.
enum ExitCode : int {
  kExitOk = 0,          // normal end, help text printed
  kExitMemory = 1,      // memory exhausted in a stage
  kExitFile = 2,        // a file that cannot be opened, written or delivered; colliding outputs; faulty work
                        // files; net syntax errors
  kExitNetMemory = 3,   // memory exhausted while reading the net; a matrix the decomposition cannot read
  kExitInput = 4,       // command-line errors; malformed or inconsistent matrix input
  kExitOverflow = 5,    // a number or a sum that leaves the signed 32-bit range
};

struct Failure : std::exception {
  Failure(int code, std::string message) : code(code), message(std::move(message)) {}
  const char* what() const noexcept override { return message.c_str(); }
  int code;             // exit code of the process
  std::string message;  // printed as it stands on standard output
};

// Ends the run: `message` goes to standard output, `code` becomes the exit code.
[[noreturn]] void Fail(int code, const std::string& message);

// "*** error open file %s\n" with exit code 2.
[[noreturn]] void FailOpen(const std::string& fileName);

// "*** error write file %s: %s\n" with the system's reason for `error` (an errno value), exit
// code 2: a file that could not be written completely, or the result file not delivered.
[[noreturn]] void FailWrite(const std::string& fileName, int error);

// "*** not enough memory for <arrays>\n" with exit code 1 (the stages' memory message).
[[noreturn]] void FailMemory(const std::string& arrays);

// "*** integer overflow\n" with exit code 5.
[[noreturn]] void FailOverflow();

// Runs `allocate`; std::bad_alloc inside it becomes the stage's memory message for `arrays`.
template <class F>
auto WithMemory(const char* arrays, F&& allocate) -> decltype(allocate()) {
  try {
    return allocate();
  } catch (const std::bad_alloc&) {
    FailMemory(arrays);
  }
}

// Prints a failure's message on standard output, flushed, and returns its exit code.
int ReportFailure(const Failure& failure);

}  // namespace pelorin
