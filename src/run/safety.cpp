// The guard that keeps a run from destroying its input (contract in safety.h).
#include "run/safety.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "run/ana.h"
#include "matrix/failure.h"

namespace pelorin {

namespace {

struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& name) {
  struct stat st {};
  if (stat(name.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

// The file the run reads: the named input, or standard input when it is open.
std::optional<FileId> InputId(const std::string& input) {
  if (input != "-") return IdOf(input);
  struct stat st {};
  if (fstat(STDIN_FILENO, &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

// Existing files of the directory of `matrix` whose names are the driver's work files.
std::vector<std::string> DriverFilesPresent(const std::string& matrix, const RunSettings& s) {
  namespace fs = std::filesystem;
  const fs::path path(matrix);
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string stem = path.filename().string();
  std::vector<std::string> found;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
        DriverWritesFile(name.substr(stem.size()), s.mode, s.debug))
      found.push_back(it->path().string());
  }
  return found;
}

}  // namespace

void CheckInputSafe(const RunSettings& s) {
  const std::optional<FileId> input = InputId(s.input);
  if (!input) return;
  const std::string matrix = s.base + (s.transitions ? ".spmt" : ".spm");
  std::vector<std::string> written = {s.base + ".spm", s.base + ".nmp", s.base + ".nmt", matrix + ".inv"};
  if (s.transitions) written.push_back(matrix);
  if (s.output != "-") written.push_back(s.output);
  if (s.pathGiven) written.push_back(s.resultPath);
  if (s.mode != kDirect)
    for (std::string& name : DriverFilesPresent(matrix, s)) written.push_back(std::move(name));
  for (const std::string& name : written)
    if (IdOf(name) == input) Fail(kExitFile, "*** output would overwrite input file " + s.input + "\n");
}

}  // namespace pelorin
