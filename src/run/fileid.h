// The identity of a file (device, inode and kind), to tell whether two names, or a name and an
// open descriptor, are one file. Reads the file system's metadata only.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace pelorin {

struct FileId {
  dev_t device;
  ino_t inode;
  mode_t kind;  // the file type bits of st_mode (S_IFREG, S_IFLNK, ...)
  bool operator==(const FileId&) const = default;
};

// The file that `name` reaches, symbolic links followed; none when there is none.
std::optional<FileId> IdOf(const std::string& name);

// The file that stands under `name` itself, a symbolic link not followed.
std::optional<FileId> IdOfEntry(const std::string& name);

// The file open on the descriptor `fd`.
std::optional<FileId> IdOfDescriptor(int fd);

// Whether the open file `fd` is still the file that stands under `name`.
bool StillNamed(int fd, const std::string& name);

}  // namespace pelorin
