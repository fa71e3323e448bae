// A file form of an operation that the run does on lines in memory, for the tests: the
// transpose of a sparse matrix file.
//
// TransposeMatrix(source, target) writes the transpose of the matrix file `source` to `target`:
// comment and blank lines unchanged, every element line "r c v" as "c r v\n". For example
//     # net            # net
//     3 7 -2     ->    7 3 -2
// Lines keep their order and no cells are merged. A malformed line ends the run with
// "*** malformed line N in file F\n" (exit code 4).
#pragma once

#include <string>

namespace pelorin::test {

void TransposeMatrix(const std::string& source, const std::string& target);

}  // namespace pelorin::test

namespace pelorin {

using test::TransposeMatrix;

}  // namespace pelorin
