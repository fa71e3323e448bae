// Shared test helpers: temporary directories, files, running stages and the built Pelorin.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "matrix/failure.h"

namespace pelorin::test {

// A fresh directory under the system's temporary directory, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Names of the files in `dir`, sorted.
std::vector<std::string> ListFiles(const std::string& dir);

// Runs `stage`; returns the failure it ended with. Fails the test when it ends normally.
Failure ExpectFailure(const std::function<void()>& stage);

// Runs `stage` and checks that it ends with the exit code `code` and exactly `message`.
void ExpectFail(int code, const std::string& message, const std::function<void()>& stage);

// The outcome of running the built Pelorin.
struct RunResult {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the built Pelorin with `args` in `dir`; `stdinText` is its standard input, or the file
// `stdinFile` when one is named. `shell` runs in the same shell first ("ulimit -f 8").
RunResult RunPelorinBinary(const std::vector<std::string>& args, const std::string& dir,
                           const std::string& stdinText = "", const std::string& stdinFile = "",
                           const std::string& shell = "");

// The matrix that a run of `kind` ("-P" or "-T") solves among the work files named from `base`:
// base.spm, or base.spmt for T-semiflows.
std::string SolvedMatrix(const std::string& base, const std::string& kind);

// The report with the time line ("0.047s") replaced by "TIME".
std::string MaskTime(const std::string& report);

// A file of the repository, relative to its top directory.
std::string SourcePath(const std::string& relative);

}  // namespace pelorin::test

namespace pelorin {

// The helpers by their short names in every test.
using test::Exists;
using test::ExpectFail;
using test::ExpectFailure;
using test::ListFiles;
using test::MaskTime;
using test::ReadFile;
using test::RunPelorinBinary;
using test::TempDir;
using test::WriteFile;

}  // namespace pelorin
