// Invariant check: do the solutions cover every row of the matrix?
#pragma once

#include <string>

namespace pelorin {

int CheckInv(const std::string& matrix, const std::string& solutions);

}  // namespace pelorin
