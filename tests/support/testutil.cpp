// Shared test helpers.
#include "support/testutil.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace pelorin::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "pelorin-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

Failure ExpectFailure(const std::function<void()>& stage) {
  try {
    stage();
  } catch (const Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "the stage ended without a failure";
  return Failure(-1, "");
}

void ExpectFail(int code, const std::string& message, const std::function<void()>& stage) {
  const Failure failure = ExpectFailure(stage);
  EXPECT_EQ(failure.message, message);
  EXPECT_EQ(failure.code, code) << message;
}

namespace {
std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
}  // namespace

RunResult RunPelorinBinary(const std::vector<std::string>& args, const std::string& dir,
                           const std::string& stdinText, const std::string& stdinFile, const std::string& shell) {
  TempDir io;
  WriteFile(io / "stdin", stdinText);
  std::string command = "cd " + Quote(dir) + " && " + (shell.empty() ? "" : shell + " && ") + Quote(PELORIN_BINARY);
  for (const std::string& a : args) command += " " + Quote(a);
  command += " <" + Quote(stdinFile.empty() ? io / "stdin" : stdinFile) + " >" + Quote(io / "stdout") + " 2>" + Quote(io / "stderr");
  const int status = std::system(command.c_str());
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(io / "stdout");
  result.err = ReadFile(io / "stderr");
  return result;
}

std::string SolvedMatrix(const std::string& base, const std::string& kind) {
  return base + (kind == "-T" ? ".spmt" : ".spm");
}

std::string MaskTime(const std::string& report) {
  static const std::regex timeLine("(^|\n)[0-9]+\\.[0-9]{3}s\n");
  return std::regex_replace(report, timeLine, "$1TIME\n");
}

std::string SourcePath(const std::string& relative) { return std::string(PELORIN_SOURCE_DIR) + "/" + relative; }

}  // namespace pelorin::test
