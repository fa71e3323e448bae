// Product of two sparse matrix files.
#pragma once

#include <string>

namespace pelorin {

void MultiplySPM(const std::string& left, const std::string& right, const std::string& product);

}  // namespace pelorin
