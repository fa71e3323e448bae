// A seeded generator of small random nets in the ".net" format, for property tests: state
// machines, processes sharing resources, modules joined through buffer places, disconnected
// parts, arc weights and self-loops.
#pragma once

#include <cstdint>
#include <string>

namespace pelorin::test {

enum class NetFamily { kStateMachines, kSharedResources, kModules, kMixed };

// A net of the family, the same for the same seed on every platform.
std::string RandomNet(NetFamily family, uint32_t seed);

const char* FamilyName(NetFamily family);

}  // namespace pelorin::test
