// Contact places of one step (fic) of sequential composition.
//
// A step fuses the subnets of its fusion set: subnet numbers, the first of which is the number
// the fused subnet keeps. TakeFusionStep(remaining, members) splits the remaining contact places
// into those inside the fusion set, returned as the step's contact place list (as many subnets
// as members, the members renumbered 1, 2, ... in the order of the set), and those that stay in
// `remaining`, every member among their subnets replaced by the fused number; the remaining list
// then counts members - 1 subnets fewer. Example, with the fusion set {1, 2}:
//   remaining before  3 subnets, "5 1 2", "6 2 3", "7 3 1"   ("place consuming producing")
//   the step's list   2 subnets, "5 1 2"
//   remaining after   2 subnets, "6 1 3", "7 3 1"
// A number of subnets beyond the signed 32-bit range ends the run with "*** integer overflow\n"
// (exit code 5), no memory for the entries with "*** not enough memory for c\n" (exit code 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "compose/contactplaces.h"

namespace pelorin {

// The remaining contact places as sequential composition keeps them from step to step: the list
// with the entries a step has taken marked, and for every subnet number the entries that name it.
struct RemainingContacts {
  int32_t subnets = 0;                 // the number of current subnets
  std::vector<ContactEntry> entries;   // in list order, fused members already replaced
  std::vector<char> taken;             // taken[k]: entry k went to a step's list
  std::unordered_map<int32_t, std::vector<size_t>> naming;  // subnet -> entries that name it, ascending
};

RemainingContacts MakeRemainingContacts(ContactList list);

// The split of one step for the fusion set `members` (at least one): returns the step's contact
// place list and leaves the others in `remaining`, the entries that stay (those not taken) being
// the new list. Only the entries that name a member are visited.
ContactList TakeFusionStep(RemainingContacts& remaining, const std::vector<int>& members);

// True when x occurs among members[0..count-1], with `position` set to its first index (from 0);
// false otherwise, leaving `position` as it was.
bool InFusion(int x, const std::vector<int>& members, int count, int& position);

}  // namespace pelorin
