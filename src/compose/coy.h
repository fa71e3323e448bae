// Composition system of the subnets' bases over their contact places.
#pragma once

#include <string>

namespace pelorin {

void CreateCompositionSystem(const std::string& base);

}  // namespace pelorin
