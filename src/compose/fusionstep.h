// Contact places of one step of sequential composition.
//
// FilterContactPlaces(base, step) takes line `step` of the sequence file base.t as the step's
// fusion set: blank-separated subnet numbers, the first of which is the number the fused subnet
// keeps. It splits the remaining contact places base.y into those inside the fusion set, written
// as the step's contact place list base.z with the members renumbered 1, 2, ... in line order,
// and those that stay, written back to base.y with every member replaced by the fused number. It
// returns the fused subnet number.
//
// base.y and base.z, contact place lists:
//   line 1            the number of subnets (read without any comment or blank test; no number
//                     there counts as 0)
//   "#..." or blank   skipped
//   "p c q"           contact place p, consumed by subnet c, produced by subnet q
// Example, with the fusion set "1 2\n":
//   base.y before     "3\n5 1 2\n6 2 3\n7 3 1\n"
//   base.z            "2\n5 1 2\n"            (the size of the set, then the inner places)
//   base.y after      "2\n6 1 3\n7 3 1\n"     (3 - 2 + 1 subnets, then the places that stay)
//
// Failures, each before any file is written: base.y or base.t that cannot be opened (exit code
// 2); no line `step` in base.t: "*** unexpected end of sequence file\n" (exit code 2); a line
// with no member, or with a member that is 0 or not a number: "*** empty fusion set in line N of
// file F\n" or "*** subnet 0 in fusion set of line N of file F\n" (exit code 2).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "compose/compositionsystem.h"

namespace pelorin {

// Writes base.z for the fusion set of line `step` of base.t and rewrites base.y; returns the
// fused subnet number.
int FilterContactPlaces(const std::string& base, int step);

// The remaining contact places as sequential composition keeps them from step to step: the list
// with the entries a step has taken marked, and for every subnet number the entries that name it.
struct RemainingContacts {
  int32_t subnets = 0;                 // line 1: the number of current subnets
  std::vector<ContactEntry> entries;   // in list order, fused members already replaced
  std::vector<char> taken;             // taken[k]: entry k went to a step's list
  std::unordered_map<int32_t, std::vector<size_t>> naming;  // subnet -> entries that name it, ascending
};

RemainingContacts MakeRemainingContacts(ContactList list);

// The split of FilterContactPlaces for the fusion set `members` (in line order, at least one):
// returns the step's contact place list and leaves the others in `remaining`, the entries that
// stay (those not taken) being the new list. Only the entries that name a member are visited.
ContactList TakeFusionStep(RemainingContacts& remaining, const std::vector<int>& members);

// True when x occurs among members[0..count-1], with `position` set to its first index (from 0);
// false otherwise, leaving `position` as it was.
bool InFusion(int x, const std::vector<int>& members, int count, int& position);

}  // namespace pelorin
