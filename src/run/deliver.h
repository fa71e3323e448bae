// Delivery of the solution file to the "-o" path.
//
// What stands under the path decides how the solution gets there:
//   nothing yet, or a regular file   the path is replaced by the solution file at once: renamed to
//                                    it, or, on another file system, copied into a temporary file
//                                    beside it that is then renamed to it (no reader sees a part);
//   a symbolic link                  followed to the file it names (through a chain of links, and
//                                    to a file still to be made), which is replaced as above in
//                                    its own directory; the link stays;
//   a character or block device,     opened as named and written into, as "cp" does: "-o
//   a FIFO                           /dev/null" discards the solution, "-o /dev/stdout" sends it
//                                    to standard output;
//   the regular file that standard   written into through that descriptor, where the stream
//   output or error holds open       stands ("-o /dev/stdout > all.txt");
//   a directory, a socket            refused.
// The temporary file of a copy is named after the path, ".pelorin-", the process id of its
// writer and six random characters ("res.inv.pelorin-4711-Ab3xYz"). Its writer holds an
// exclusive lock (flock) on it while it lives; a later delivery into the directory removes every
// such file whose lock it can take, the writer having ended without removing it (killed during
// the copy). The lock, not the process id, tells: it holds across machines on a shared file
// system, where process ids say nothing; the id tells a reader of the directory whose file it is.
//
// The path is checked before the run (CheckedResultTarget) and again at the delivery. A target
// that cannot take the solution (a directory, a socket, a loop of links, a missing directory or
// one that cannot be written, a node that cannot be written), and any failure of the delivery,
// end the run with "*** error write file %s: %s\n" naming the path as given and the system's
// reason (exit code 2); nothing is then left beside the path.
#pragma once

#include <string>

namespace pelorin {

// Where and how the solution is delivered.
struct ResultTarget {
  enum Kind {
    kReplaced,     // `path` (links resolved) is replaced
    kWrittenInto,  // `path` (as named) is opened and written into
    kDescriptor,   // written into the open descriptor `descriptor`
  };
  Kind kind = kReplaced;
  std::string path;
  int descriptor = -1;
};

// The target of the result path `path`; fails as above when it cannot take the solution.
ResultTarget CheckedResultTarget(const std::string& path);

// `path` with its symbolic links followed for as long as one stands under the name; the name
// reached may not exist. A loop of links sets `error` to ELOOP (0 otherwise).
std::string FollowLinks(const std::string& path, int& error);

// Delivers the solution file `from` to the result path `to` and removes `from`.
void DeliverFile(const std::string& from, const std::string& to);

}  // namespace pelorin
