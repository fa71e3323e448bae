// The clean-up of a failed run (contract in newfiles.h).
#include "run/newfiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace pelorin {

NewFiles::Entry NewFiles::EntryOf(const std::string& name) {
  struct stat st {};
  if (lstat(name.c_str(), &st) != 0) return {};
  return {FileId{st.st_dev, st.st_ino, st.st_mode & S_IFMT}, st.st_ctim};
}

NewFiles::NewFiles(std::vector<std::string> names) : names_(std::move(names)) {
  for (const std::string& name : names_) before_.push_back(EntryOf(name));
}

void NewFiles::Remove() const {
  for (size_t i = 0; i < names_.size(); ++i) {
    const Entry now = EntryOf(names_[i]);
    const Entry& was = before_[i];
    const bool same = now.file == was.file && now.changed.tv_sec == was.changed.tv_sec &&
                      now.changed.tv_nsec == was.changed.tv_nsec;
    if (now.file && !same) unlink(names_[i].c_str());
  }
}

}  // namespace pelorin
