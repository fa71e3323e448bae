// Flow listing: the heading and the flows of a solution file by name, or their number.
//
// FlowsHeading(transitions) is "P-FLOWS BASIS ", or "T-FLOWS BASIS ", filled with dashes to 60
// characters, and a line feed.
//
// WriteFlowsListing(table, solutions, output, full, digest) appends the flows of the solution
// file `solutions` (lines "flow element coefficient", coefficients signed and of any size; see
// matrix/spm.h) to `output` ("-" is standard output; any other file is opened for appending),
// with the element names of the name table file `table` (read as by WriteInv of writeinv.h).
// Files are opened in this order: table, solutions, output.
//
// Full output (`full`): a line feed whenever the flow number changes, then per line the
// element's name ("#" and the number when the table does not name it), "*coefficient" when the
// coefficient is not 1, and a blank; "\nno flows" when no line was read; then "\n\n". Digest
// output: "\n%d flow(s)" with the count of `digest` (the file is not read), then "\n\n".
// Example, table "1 p1", "2 p2", "3 p3" and solutions "1 1 1", "1 2 -1", "2 3 2":
//     full     "\np1 p2*-1 \np3*2 \n\n"
//     digest   "\n2 flow(s)\n\n"
//
// Failures: a file cannot be opened: "*** error open file %s\n", exit code 2; a malformed
// solution line: exit code 4; growth of the table: "*** not enough memory for names\n" or
// "*** not enough memory for pn\n", exit code 1.
#pragma once

#include <string>

#include "matrix/spm.h"

namespace pelorin {

std::string FlowsHeading(bool transitions);

void WriteFlowsListing(const std::string& table, const std::string& solutions, const std::string& output, bool full,
                       const SolutionDigest& digest);

}  // namespace pelorin
