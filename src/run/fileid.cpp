// The identity of files (contract in fileid.h).
#include "run/fileid.h"

#include <sys/stat.h>

namespace pelorin {

namespace {

FileId IdOfStat(const struct stat& st) { return FileId{st.st_dev, st.st_ino, st.st_mode & S_IFMT}; }

}  // namespace

std::optional<FileId> IdOf(const std::string& name) {
  struct stat st {};
  if (stat(name.c_str(), &st) != 0) return std::nullopt;
  return IdOfStat(st);
}

std::optional<FileId> IdOfEntry(const std::string& name) {
  struct stat st {};
  if (lstat(name.c_str(), &st) != 0) return std::nullopt;
  return IdOfStat(st);
}

std::optional<FileId> IdOfDescriptor(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return std::nullopt;
  return IdOfStat(st);
}

bool StillNamed(int fd, const std::string& name) {
  const std::optional<FileId> open = IdOfDescriptor(fd);
  return open && open == IdOfEntry(name);
}

}  // namespace pelorin
