// The memory limit of the control group that the process runs in (a container, a job of a batch
// system), for the default memory limit of a run (run/memory.h).
//
// The groups of the process are the lines of /proc/self/cgroup, "ID:CONTROLLERS:PATH": the line
// "0::PATH" names its group in the unified hierarchy (cgroup v2), a line whose controllers
// include "memory" its group in the v1 memory hierarchy. /proc/self/mountinfo tells where each
// hierarchy is mounted (file system type "cgroup2", or "cgroup" with the option "memory") and
// which part of it the mount shows. The limit is memory.max (v2; "max" is none) or
// memory.limit_in_bytes (v1; a value of 2^62 or more is none) in the group's directory; the groups
// above it limit it too, up to the mount point. Files that cannot be read are passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin {

// The smallest limit over the process's groups and those above them, in bytes; none when no
// group limits memory. The files are read with `root` before their names ("" on the running
// system, a directory for a test): root/proc/self/cgroup, root/proc/self/mountinfo, and the mount
// points under root.
std::optional<uint64_t> ControlGroupLimit(const std::string& root);

}  // namespace pelorin
