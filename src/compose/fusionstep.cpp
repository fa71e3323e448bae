// Contact places of one step of sequential composition (the contract is in fusionstep.h).
#include "compose/fusionstep.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "matrix/exactint.h"
#include "matrix/failure.h"

namespace pelorin {

bool InFusion(int x, const std::vector<int>& members, int count, int& position) {
  const size_t n = std::min(members.size(), static_cast<size_t>(std::max(count, 0)));
  for (size_t i = 0; i < n; ++i) {
    if (members[i] == x) {
      position = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

RemainingContacts MakeRemainingContacts(ContactList list) {
  return WithMemory("c", [&] {
    RemainingContacts remaining;
    remaining.subnets = list.subnets;
    remaining.entries = std::move(list.entries);
    remaining.taken.assign(remaining.entries.size(), 0);
    for (size_t k = 0; k < remaining.entries.size(); ++k) {
      const ContactEntry& entry = remaining.entries[k];
      remaining.naming[entry.consuming].push_back(k);
      if (entry.producing != entry.consuming) remaining.naming[entry.producing].push_back(k);
    }
    return remaining;
  });
}

ContactList TakeFusionStep(RemainingContacts& remaining, const std::vector<int>& members) {
  const int size = static_cast<int>(members.size());
  const int32_t left = CheckedAdd(CheckedAdd(remaining.subnets, -size), 1);
  ContactList step;
  step.subnets = size;
  WithMemory("c", [&] {
    // Only the entries that name a member change; they are visited in list order.
    std::vector<size_t> touched;
    for (int f : members) {
      auto found = remaining.naming.find(f);
      if (found == remaining.naming.end()) continue;
      touched.insert(touched.end(), found->second.begin(), found->second.end());
      remaining.naming.erase(found);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    std::vector<size_t>& fused = remaining.naming[members[0]];
    for (size_t k : touched) {
      if (remaining.taken[k]) continue;
      ContactEntry& entry = remaining.entries[k];
      int consumer = 0;
      int producer = 0;
      const bool consumerIn = InFusion(entry.consuming, members, size, consumer);
      const bool producerIn = InFusion(entry.producing, members, size, producer);
      if (consumerIn && producerIn) {
        step.entries.push_back({entry.place, consumer + 1, producer + 1});
        remaining.taken[k] = 1;
        continue;
      }
      if (consumerIn) {
        entry.consuming = members[0];
      } else if (producerIn) {
        entry.producing = members[0];
      }
      if (entry.consuming == members[0] || entry.producing == members[0]) fused.push_back(k);
    }
  });
  remaining.subnets = left;
  return step;
}

}  // namespace pelorin
