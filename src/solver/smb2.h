// Basis minimization: keeps the vectors of a sparse matrix file that lie above no other.
#pragma once

#include <string>

namespace pelorin {

void MinimizeBasis(const std::string& input, const std::string& output);

}  // namespace pelorin
