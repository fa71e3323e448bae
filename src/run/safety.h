// The guard that keeps a run from destroying its input.
//
// Before anything is written, every file the run will write is compared with the input by file
// identity (device and inode), so that hard links, symbolic links and other spellings of the
// input's name are caught, and so is standard input when it is a file ("Pelorin -o b.net <
// b.net"). The files compared are the report, the "-o" path, the run's own work files (base.spm,
// .nmp, .nmt, .spmt for T-semiflows, the solution file) and, in the composition modes, the
// existing files named like a work file the driver writes. A match ends the run with
// "*** output would overwrite input file %s\n" (exit code 2) naming the input as given; a
// missing input is left to the open error of the net reader.
#pragma once

#include "run/Pelorin.h"

namespace pelorin {

void CheckInputSafe(const RunSettings& settings);

}  // namespace pelorin
