// Delivery of the solution file to the "-o" path.
//
// The file is renamed to the path, replacing a file already there. When the path lies on
// another file system, the file is copied into a new file beside the path, which then replaces
// the path at once (no reader sees a part of it), and the work file is removed. Any failure ends
// the run with "*** error write file %s: %s\n" naming the path and the system's reason (exit
// code 2); the solution file then stays where it was, and nothing is left beside the path.
#pragma once

#include <string>

namespace pelorin {

void DeliverFile(const std::string& from, const std::string& to);

}  // namespace pelorin
