// Invariant listing: the semiflows of a solution file by name, or their number.
#pragma once

#include <string>

namespace pelorin {

int WriteInv(const std::string& table, const std::string& solutions, const std::string& output, int detail);

}  // namespace pelorin
