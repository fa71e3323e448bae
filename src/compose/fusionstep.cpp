// Contact places of one step of sequential composition (the contract is in fusionstep.h).
#include "compose/fusionstep.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "compose/compositionsystem.h"
#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/subnetfiles.h"
#include "matrix/textfile.h"

namespace pelorin {
namespace {

// The fusion set of line `step`; an empty set or a member 0 ends the run.
std::vector<int> ReadFusion(const std::string& name, int step) {
  std::string line;
  ReadFusionSet(name, step, line);
  std::vector<int> members = WithMemory("fu", [&] { return FusionMembers(line); });
  const std::string where = "line " + std::to_string(std::max(step, 1)) + " of file " + name + "\n";
  if (members.empty()) Fail(kExitFile, "*** empty fusion set in " + where);
  for (int member : members)
    if (member == 0) Fail(kExitFile, "*** subnet 0 in fusion set of " + where);
  return members;
}

}  // namespace

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

int FilterContactPlaces(const std::string& base, int step) {
  const std::string remainingName = base + ".y";
  const ContactList list = ReadContactList(remainingName);
  const std::vector<int> members = ReadFusion(base + ".t", step);
  const int size = static_cast<int>(members.size());
  File stepFile = OpenFile(base + ".z", "w");
  std::fprintf(stepFile.get(), "%d\n", size);
  File remainingFile = OpenFile(remainingName, "w");
  std::fprintf(remainingFile.get(), "%d\n", CheckedAdd(CheckedAdd(list.subnets, -size), 1));
  RemainingContacts remaining = MakeRemainingContacts(list);
  for (const ContactEntry& entry : TakeFusionStep(remaining, members).entries)
    WriteElement(stepFile.get(), entry.place, entry.consuming, entry.producing);
  for (size_t k = 0; k < remaining.entries.size(); ++k) {
    const ContactEntry& entry = remaining.entries[k];
    if (!remaining.taken[k]) WriteElement(remainingFile.get(), entry.place, entry.consuming, entry.producing);
  }
  CloseFile(stepFile, base + ".z");
  CloseFile(remainingFile, remainingName);
  return members[0];
}

}  // namespace pelorin
