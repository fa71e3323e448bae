// Toudic's method: a generating set of the non-negative solutions y of y.A = 0.
#pragma once

#include <string>

namespace pelorin {

// Solves the sparse matrix file `input` into the solution file `output`. Returns 0.
int Toudic(const std::string& input, const std::string& output);

}  // namespace pelorin
