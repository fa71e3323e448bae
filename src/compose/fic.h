// Contact places of one step of sequential composition.
#pragma once

#include <string>

namespace pelorin {

// Writes base.z for the fusion set of line `step` of base.t and rewrites base.y; returns the
// fused subnet number.
int FilterContactPlaces(const std::string& base, int step);

}  // namespace pelorin
