// The clean-up of a failed run at debug level 0: the work files that the run wrote are removed,
// so that a failure leaves nothing behind, beside the input or under "-w", that a successful run
// would not have left. A file that stood under one of the names before the run and that the run
// did not write stays untouched. The run wrote a name when nothing stood under it before, another
// file stands under it now (a link or a second name of a file, replaced by a file of the run's
// own), or the file's status changed since (it was emptied and written anew): such a file holds
// nothing of what it held and is the run's own.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "run/fileid.h"

namespace pelorin {

class NewFiles {
 public:
  // Notes which of `names` exist now, as which files, and when their status last changed.
  explicit NewFiles(std::vector<std::string> names);
  // Removes the names that the run has written since.
  void Remove() const;

 private:
  // What stands under a name: none, or the file and the time of its last status change.
  struct Entry {
    std::optional<FileId> file;
    timespec changed{};
  };
  static Entry EntryOf(const std::string& name);

  std::vector<std::string> names_;
  std::vector<Entry> before_;  // what stood under each name
};

}  // namespace pelorin
