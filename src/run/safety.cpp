// The guards that run before anything is written (contract in safety.h).
#include "run/safety.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "matrix/failure.h"
#include "run/deliver.h"
#include "run/fileid.h"
#include "run/workfiles.h"

namespace pelorin {

namespace fs = std::filesystem;

namespace {

// The file the run reads: the named input, or standard input when it is open.
std::optional<FileId> InputId(const std::string& input) {
  return input == "-" ? IdOfDescriptor(STDIN_FILENO) : IdOf(input);
}

// Existing files of the directory of `matrix` whose names are the driver's work files.
std::vector<std::string> DriverFilesPresent(const std::string& matrix, const RunSettings& s) {
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

// The name with its directory resolved (symbolic links followed as far as the path exists, and a
// link to a file still to be made followed to its name).
std::string Resolved(const std::string& name) {
  int loop = 0;
  std::error_code error;
  const fs::path absolute = fs::absolute(FollowLinks(name, loop), error);
  if (error) return name;
  const fs::path resolved = fs::weakly_canonical(absolute, error);
  return (error ? absolute.lexically_normal() : resolved).string();
}

// The work-file base with its directory resolved, its last part as given ("dir/" stays "dir/").
std::string ResolvedBase(const std::string& base) {
  const size_t slash = base.rfind('/');
  if (slash == std::string::npos) return Resolved(".") + "/" + base;
  const std::string dir = base.substr(0, slash + 1);
  return Resolved(dir) + "/" + base.substr(slash + 1);
}

// Whether `a` and `b` are one file that cannot take both outputs: one device or FIFO takes both,
// one after the other.
bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileId> idA = IdOf(a);
  if (idA && idA == IdOf(b)) return idA->kind == S_IFREG;
  return Resolved(a) == Resolved(b);
}

// The work file of the run that `name` is (by name, or as another name of one of main's
// files), or nullptr.
const WorkFile* WorkFileOfRun(const std::string& name, const RunSettings& s) {
  const WorkFile* file = WorkFileNamed(Resolved(name), ResolvedBase(s.base), s.mode, s.transitions);
  const std::optional<FileId> id = IdOf(name);
  for (const WorkFile& base : WorkFiles()) {
    const std::string other = s.base + base.suffix;
    if (file == nullptr && id && base.prefix == Prefix::kBase && id == IdOf(other))
      file = WorkFileNamed(other, s.base, s.mode, s.transitions);
  }
  // the copies are made only from debug level 1
  if (file != nullptr && file->kept == Kept::kCopy && s.debug <= 0) return nullptr;
  return file;
}

}  // namespace

void CheckInputSafe(const RunSettings& s) {
  const std::optional<FileId> input = InputId(s.input);
  if (!input) return;
  const MainFiles main = MainFilesOf(s.base, s.transitions);
  std::vector<std::string> written = KeptFileNames(s.base, s.transitions);
  if (s.output != "-") written.push_back(s.output);
  if (s.pathGiven) written.push_back(s.resultPath);
  if (s.mode != kDirect)
    for (std::string& name : DriverFilesPresent(main.matrix, s)) written.push_back(std::move(name));
  for (const std::string& name : written)
    if (IdOf(name) == input) Fail(kExitFile, "*** output would overwrite input file " + s.input + "\n");
}

void CheckOutputsApart(const RunSettings& s) {
  const bool report = s.output != "-";
  if (report && s.pathGiven && SameFile(s.output, s.resultPath))
    Fail(kExitFile, "*** report " + s.output + " and result file " + s.resultPath + " are the same file\n");
  if (report && WorkFileOfRun(s.output, s) != nullptr)
    Fail(kExitFile, "*** report " + s.output + " is a work file of the run\n");
  if (s.pathGiven) {
    const WorkFile* file = WorkFileOfRun(s.resultPath, s);
    if (file != nullptr && !IsSolutionFile(*file))
      Fail(kExitFile, "*** result file " + s.resultPath + " is a work file of the run\n");
  }
}

void CheckResultPath(const RunSettings& s) {
  if (s.pathGiven) CheckedResultTarget(s.resultPath);
}

void CheckWorkBase(const RunSettings& s) {
  const fs::path parent = fs::path(s.base).parent_path();  // "dir/" has "dir"
  const std::string dir = parent.empty() ? "." : parent.string();
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || access(dir.c_str(), W_OK | X_OK) != 0)
    FailOpen(MainFilesOf(s.base, s.transitions).incidence);
}

std::optional<Failure> InputFailure(const std::string& input) {
  if (input == "-") {
    const int flags = fcntl(STDIN_FILENO, F_GETFL);
    if (flags == -1 || (flags & O_ACCMODE) == O_WRONLY) return Failure(kExitFile, "*** wrong input file\n");
    return std::nullopt;
  }
  struct stat st {};
  bool opens = stat(input.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !S_ISSOCK(st.st_mode);
  if (opens && S_ISREG(st.st_mode)) {
    std::FILE* file = std::fopen(input.c_str(), "r");
    opens = file != nullptr;
    if (file != nullptr) std::fclose(file);
  } else if (opens) {  // a FIFO is not opened here: its writer would see the reader go
    opens = access(input.c_str(), R_OK) == 0;
  }
  if (opens) return std::nullopt;
  return Failure(kExitFile, "*** error open file " + input + "\n");
}

}  // namespace pelorin
