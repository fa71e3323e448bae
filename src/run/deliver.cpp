// Delivery of the solution file (contract in deliver.h).
#include "run/deliver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "matrix/failure.h"
#include "run/fileid.h"

namespace pelorin {

namespace {

// The links followed before a chain counts as a loop, as the system counts them.
constexpr int kMostLinks = 40;

// What a temporary's name holds after the path: the marker, the writer's id, the random part.
constexpr std::string_view kMarker = ".pelorin-";
constexpr size_t kRandomPart = 6;

// The directory of `path` ("." for a bare name).
std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The permissions a new file gets under the process's mask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Whether the open descriptor `fd` can be written.
bool Writable(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}

// The regular file `id` is the one that standard output or error holds open for writing: its
// descriptor, else -1.
int HoldingDescriptor(const FileId& id) {
  for (int fd : {STDOUT_FILENO, STDERR_FILENO})
    if (IdOfDescriptor(fd) == id && Writable(fd)) return fd;
  return -1;
}

// Fails unless a new file can be made, or an existing one replaced, under `path`.
void CheckDirectory(const std::string& named, const std::string& path) {
  const std::string dir = DirectoryOf(path);
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0) FailWrite(named, errno);
  if (!S_ISDIR(st.st_mode)) FailWrite(named, ENOTDIR);
  if (access(dir.c_str(), W_OK | X_OK) != 0) FailWrite(named, errno);
}

// The target of an existing regular file `path`, `id` the file it reaches.
ResultTarget RegularTarget(const std::string& path, const FileId& id) {
  if (const int fd = HoldingDescriptor(id); fd >= 0) return {ResultTarget::kDescriptor, path, fd};
  int error = 0;
  const std::string file = FollowLinks(path, error);
  if (error != 0) FailWrite(path, error);
  // a link that names no file by its text (one of /proc/self/fd/N to a removed file) is written into
  if (IdOf(file) != id) {
    if (access(path.c_str(), W_OK) != 0) FailWrite(path, errno);
    return {ResultTarget::kWrittenInto, path, -1};
  }
  CheckDirectory(path, file);
  return {ResultTarget::kReplaced, file, -1};
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

// Copies the file `from` into the open file `out`; false with errno set when a step fails.
bool CopyFileInto(const std::string& from, int out) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const bool ok = CopyAll(in, out);
  const int error = errno;
  close(in);
  errno = error;
  return ok;
}

// Whether `name` is a temporary file of a delivery: ".pelorin-", digits, "-", six characters.
bool IsTemporaryName(std::string_view name) {
  const size_t marker = name.rfind(kMarker);
  if (marker == std::string_view::npos || marker == 0) return false;
  const std::string_view rest = name.substr(marker + kMarker.size());
  const size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || rest.size() != dash + 1 + kRandomPart) return false;
  for (char c : rest.substr(0, dash))
    if (c < '0' || c > '9') return false;
  return true;
}

// Removes the temporary `path` when its writer has ended: its lock can be taken.
void RemoveIfAbandoned(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      StillNamed(fd, path))
    unlink(path.c_str());
  close(fd);
}

// Removes the temporaries in `dir` that their writers left behind.
void RemoveAbandonedTemporaries(const std::string& dir) {
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(dir.c_str()), closedir);
  if (!listing) return;
  std::vector<std::string> found;
  while (const dirent* entry = readdir(listing.get()))
    if (IsTemporaryName(entry->d_name)) found.push_back(dir + "/" + entry->d_name);
  for (const std::string& path : found) RemoveIfAbandoned(path);
}

// Makes the temporary file beside `to`, locked; its descriptor, or -1 with errno set. A clean-up
// may take a new file before its lock is held: the file is then made anew.
int MakeTemporary(const std::string& to, std::string& name) {
  for (;;) {
    name = to + std::string(kMarker) + std::to_string(getpid()) + "-XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    // where the file system has no locks, no clean-up can take the file either
    if (flock(fd, LOCK_EX) != 0 || StillNamed(fd, name)) return fd;
    close(fd);
  }
}

// Copies `from` into a new file beside `to` and renames it to `to`; false with errno set, the
// new file removed, when any step fails. The lock stays held, on a second descriptor, until the
// file has its name or is removed.
bool CopyBeside(const std::string& from, const std::string& to) {
  std::string name;
  const int out = MakeTemporary(to, name);
  if (out < 0) return false;
  const int lock = dup(out);
  bool ok = lock >= 0 && fchmod(out, NewFileMode()) == 0 && CopyFileInto(from, out) && fsync(out) == 0;
  int error = errno;
  if (close(out) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && std::rename(name.c_str(), to.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) unlink(name.c_str());
  if (lock >= 0) close(lock);
  errno = error;
  return ok;
}

// Replaces the file `target` by `from`: renamed, or copied from another file system.
void Replace(const std::string& from, const std::string& target, const std::string& named) {
  RemoveAbandonedTemporaries(DirectoryOf(target));
  if (std::rename(from.c_str(), target.c_str()) == 0) return;
  if (errno != EXDEV || !CopyBeside(from, target)) FailWrite(named, errno);
  std::remove(from.c_str());
}

// Writes `from` into the node `path` as named.
void WriteInto(const std::string& from, const std::string& path) {
  const int out = open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
  if (out < 0) FailWrite(path, errno);
  const bool copied = CopyFileInto(from, out);
  const int error = errno;
  if (close(out) != 0 && copied) FailWrite(path, errno);
  if (!copied) FailWrite(path, error);
  std::remove(from.c_str());
}

// Writes `from` into the open descriptor `fd`, where it stands.
void WriteToDescriptor(const std::string& from, int fd, const std::string& named) {
  std::fflush(nullptr);
  if (!CopyFileInto(from, fd)) FailWrite(named, errno);
  std::remove(from.c_str());
}

}  // namespace

std::string FollowLinks(const std::string& path, int& error) {
  error = 0;
  std::string name = path;
  for (int followed = 0;; ++followed) {
    struct stat st {};
    if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    if (followed == kMostLinks) {
      error = ELOOP;
      return name;
    }
    std::string text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t length = readlink(name.c_str(), text.data(), text.size());
    if (length < 0 || static_cast<size_t>(length) == text.size()) return name;  // changed meanwhile
    text.resize(static_cast<size_t>(length));
    name = text[0] == '/' ? text : DirectoryOf(name) + "/" + text;
  }
}

ResultTarget CheckedResultTarget(const std::string& path) {
  if (const std::optional<FileId> id = IdOf(path)) {
    if (id->kind == S_IFDIR) FailWrite(path, EISDIR);
    if (id->kind == S_IFSOCK) FailWrite(path, ENXIO);  // what opening it would answer
    if (id->kind == S_IFREG) return RegularTarget(path, *id);
    if (access(path.c_str(), W_OK) != 0) FailWrite(path, errno);
    return {ResultTarget::kWrittenInto, path, -1};
  }
  if (errno != ENOENT) FailWrite(path, errno);
  int error = 0;
  const std::string file = FollowLinks(path, error);  // a link to a file still to be made
  if (error != 0) FailWrite(path, error);
  CheckDirectory(path, file);
  return {ResultTarget::kReplaced, file, -1};
}

void DeliverFile(const std::string& from, const std::string& to) {
  const ResultTarget target = CheckedResultTarget(to);
  switch (target.kind) {
    case ResultTarget::kReplaced: return Replace(from, target.path, to);
    case ResultTarget::kWrittenInto: return WriteInto(from, target.path);
    case ResultTarget::kDescriptor: return WriteToDescriptor(from, target.descriptor, to);
  }
}

}  // namespace pelorin
