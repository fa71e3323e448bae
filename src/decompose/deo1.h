// Decomposition of a sparse matrix file into minimal functional subnets.
#pragma once

#include <string>

namespace pelorin {

// Writes M.z1 .. M.zK, M.z and M.p; returns K (at least 1).
int DecomposeIntoFSN(const std::string& matrix);

}  // namespace pelorin
