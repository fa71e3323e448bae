// A seeded generator of small random nets in the ".net" format, for property tests: state
// machines, processes sharing resources, modules joined through buffer places, disconnected
// parts, arc weights and self-loops.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelorin::test {

enum class NetFamily { kStateMachines, kSharedResources, kModules, kMixed };

// A net of the family, the same for the same seed on every platform.
std::string RandomNet(NetFamily family, uint32_t seed);

const char* FamilyName(NetFamily family);

// Writes RandomNet(family, seed) as the file n.net in `dir`; returns the net.
std::string WriteRandomNet(const std::string& dir, NetFamily family, uint32_t seed);

// Every family, for parameterised tests: ::testing::ValuesIn(AllFamilies()).
std::vector<NetFamily> AllFamilies();

// Runs `check`(family, seed) for the seeds 1..seeds, each under a trace naming the family and
// the seed; stops after the first seed that failed (with `fatalOnly`, that failed fatally).
void ForEachSeed(NetFamily family, uint32_t seeds, const std::function<void(NetFamily, uint32_t)>& check,
                 bool fatalOnly = false);

}  // namespace pelorin::test
