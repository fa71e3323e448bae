// Seeded random nets for property tests.
#include "support/netgen.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/testutil.h"

namespace pelorin::test {

namespace {

// A small portable generator, so that a seed means the same net everywhere.
struct Random {
  uint64_t state;
  explicit Random(uint32_t seed) : state(seed * 2654435761u + 1) {}
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
};

struct Builder {
  Random& random;
  std::string text;
  int transitions = 0;

  std::string Item(const std::string& place) {
    return random.Chance(15) ? place + "*" + std::to_string(2 + random.Below(2)) : place;
  }
  void Transition(const std::vector<std::string>& in, const std::vector<std::string>& out) {
    text += "tr t" + std::to_string(++transitions);
    for (const std::string& p : in) (text += ' ') += Item(p);
    text += " ->";
    for (const std::string& p : out) (text += ' ') += Item(p);
    text += "\n";
  }
};

// A cycle of `length` local states of process `name`, with optional branches back.
void StateMachine(Builder& b, const std::string& name, int length, std::vector<std::string>* states) {
  for (int i = 0; i < length; ++i) states->push_back(name + "s" + std::to_string(i));
  for (int i = 0; i < length; ++i) b.Transition({(*states)[i]}, {(*states)[(i + 1) % length]});
  if (length > 2 && b.random.Chance(50)) b.Transition({(*states)[length - 1]}, {(*states)[1]});
}

void SharedResources(Builder& b, const std::string& prefix) {
  const int processes = 2 + b.random.Below(2);
  const int resources = 1 + b.random.Below(2);
  for (int p = 0; p < processes; ++p) {
    const std::string idle = prefix + "idle" + std::to_string(p);
    const std::string busy = prefix + "busy" + std::to_string(p);
    const std::string res = prefix + "r" + std::to_string(b.random.Below(resources));
    b.Transition({idle, res}, {busy});
    if (b.random.Chance(20)) b.Transition({busy}, {busy, prefix + "log"});  // a self-loop and a sink
    b.Transition({busy}, {idle, res});
  }
}

void Modules(Builder& b, const std::string& prefix) {
  const int modules = 2 + b.random.Below(3);
  for (int m = 0; m < modules; ++m) {
    std::vector<std::string> states;
    StateMachine(b, prefix + "m" + std::to_string(m), 2 + b.random.Below(2), &states);
    if (m + 1 < modules) {  // a buffer place from this module to the next one
      const std::string buffer = prefix + "buf" + std::to_string(m);
      const std::string next = prefix + "m" + std::to_string(m + 1) + "s0";
      b.Transition({states[0]}, {states[0], buffer});
      b.Transition({buffer, next}, {next});
    }
  }
  if (b.random.Chance(30)) b.Transition({prefix + "m0s1"}, {prefix + "m" + std::to_string(modules - 1) + "s1"});
}

}  // namespace

const char* FamilyName(NetFamily family) {
  switch (family) {
    case NetFamily::kStateMachines: return "state machines";
    case NetFamily::kSharedResources: return "shared resources";
    case NetFamily::kModules: return "modules";
    case NetFamily::kMixed: return "mixed";
  }
  return "";
}

std::vector<NetFamily> AllFamilies() {
  return {NetFamily::kStateMachines, NetFamily::kSharedResources, NetFamily::kModules, NetFamily::kMixed};
}

void ForEachSeed(NetFamily family, uint32_t seeds, const std::function<void(NetFamily, uint32_t)>& check,
                 bool fatalOnly) {
  for (uint32_t seed = 1; seed <= seeds; ++seed) {
    SCOPED_TRACE(std::string(FamilyName(family)) + ", seed " + std::to_string(seed));
    check(family, seed);
    if (fatalOnly ? ::testing::Test::HasFatalFailure() : ::testing::Test::HasFailure()) return;
  }
}

std::string RandomNet(NetFamily family, uint32_t seed) {
  Random random(seed);
  Builder b{random, "net random" + std::to_string(seed) + "\n"};
  const int parts = family == NetFamily::kMixed ? 2 + random.Below(2) : 1 + random.Below(2);
  for (int part = 0; part < parts; ++part) {  // several parts make a disconnected net
    const std::string prefix = "x" + std::to_string(part);
    NetFamily kind = family;
    if (family == NetFamily::kMixed) kind = static_cast<NetFamily>(random.Below(3));
    std::vector<std::string> states;
    switch (kind) {
      case NetFamily::kStateMachines: StateMachine(b, prefix, 2 + random.Below(4), &states); break;
      case NetFamily::kSharedResources: SharedResources(b, prefix); break;
      default: Modules(b, prefix); break;
    }
  }
  return b.text;
}

std::string WriteRandomNet(const std::string& dir, NetFamily family, uint32_t seed) {
  std::string net = RandomNet(family, seed);
  WriteFile(dir + "/n.net", net);
  return net;
}

}  // namespace pelorin::test
