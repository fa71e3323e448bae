// What the process sets up before a run, so that the failures of its surroundings become the
// run's ordinary failures.
//
// A file-size limit ("ulimit -f") makes the system send SIGXFSZ to a process whose write goes
// beyond it, which would end the run at once, with no message and its lock and work files left.
// The signal is ignored: the write then fails with EFBIG and the run ends with
// "*** error write file NAME: File too large" (exit code 2), cleaning up as after any failure.
//
// Standard input, output or error closed at start ("Pelorin ... >&-") would let the first file
// the run opens take the descriptor, so that the report would land in a work file, or the net
// would be read from one. Each closed descriptor among 0, 1 and 2 is held by /dev/null, opened
// in the direction the descriptor is not used in (standard input for writing, the others for
// reading): a report to a closed standard output is a write error and reading "-" from a closed
// standard input a read error, as they would be on the closed descriptor itself.
#pragma once

namespace pelorin {

// Ignores SIGXFSZ and holds the closed standard descriptors; false when /dev/null cannot be
// opened for one of them (the run must not go on then).
bool PrepareProcess();

}  // namespace pelorin
