// The guards that run before anything is written: a run never destroys its input, never writes
// one of its outputs over another, and finds out before the report is touched whatever it can
// know of its input, its work-file base and its result path.
//
// Input. Every file the run will write is compared with the input by file identity (device and
// inode), so that hard links, symbolic links and other spellings of the input's name are caught,
// and so is standard input when it is a file ("Pelorin -o b.net < b.net"). The files compared
// are the report, the "-o" path, the run's own work files (base.spm, .nmp, .nmt, .spmt for
// T-semiflows, the solution file) and, in the composition modes, the existing files named like a
// work file the driver writes. A match ends the run with
// "*** output would overwrite input file %s\n" (exit code 2) naming the input as given; a
// missing input is left to the check of the input below.
//
// Outputs. The report and the "-o" path are compared with each other and with the work files of
// the run (every name of the work-file table that a run of this mode and kind makes or removes),
// by file identity where the files exist and by their resolved names otherwise; one device or
// FIFO (/dev/null, /dev/stdout on a pipe) takes the report and the result alike and is no clash.
// A clash ends the run with exit code 2 and one of
//   "*** report %s and result file %s are the same file\n"
//   "*** report %s is a work file of the run\n"
//   "*** result file %s is a work file of the run\n"
// ("-o" naming the solution file itself is no clash: the solution simply stays there).
//
// Result path. What "-o" names must be able to take the solution (run/deliver.h): a directory, a
// socket, a loop of links, a path in a directory that does not exist or cannot be written, or a
// device or FIFO that cannot be written ends the run with "*** error write file %s: %s\n" (exit
// code 2) and the system's reason.
//
// Work-file base. The directory of the base must exist and be writable; else the run ends with
// "*** error open file %s\n" naming W.spm, the first work file it would make (exit code 2).
//
// Readable input. The named input must exist, be readable and be no directory or socket; else
// the run ends with "*** error open file %s\n" naming the input (exit code 2). Standard input
// ("-") must be open for reading; else the run ends with "*** wrong input file\n" (exit code 2),
// as a failed read does.
#pragma once

#include <optional>
#include <string>

#include "matrix/failure.h"
#include "run/cli.h"

namespace pelorin {

// The input guard.
void CheckInputSafe(const RunSettings& settings);

// The output guard.
void CheckOutputsApart(const RunSettings& settings);

// The check of the result path.
void CheckResultPath(const RunSettings& settings);

// The check of the work-file base's directory.
void CheckWorkBase(const RunSettings& settings);

// The failure that reading the input would meet at once, or none.
std::optional<Failure> InputFailure(const std::string& input);

}  // namespace pelorin
