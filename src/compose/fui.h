// Unit solutions: completes the solutions of the composition system.
#pragma once

#include <string>

namespace pelorin {

void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result);

}  // namespace pelorin
