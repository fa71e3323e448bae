// Joint matrix of the subnets' bases.
#pragma once

#include <string>

namespace pelorin {

void ComposeJointMatrix(const std::string& base);

}  // namespace pelorin
