// Composition system (coy) of the subnets' bases over their contact places.
//
// Every solution of every subnet is one unknown of the system: solution s of subnet i is unknown
// offset(i) + s, with offset(1) = 0 and offset(i + 1) = offset(i) + the largest solution number
// of subnet i's basis (0 when it has no line). A non-negative vector y over the unknowns with
// y . S = 0 combines subnet solutions that agree on every contact place, and so is an invariant
// of the composed net.
//
// CompositionSystemOf(list, bases) takes the contact place list of the subnets 1..n (n =
// list.subnets) and their bases, lines "s place x" (solution s has x on the place), and returns
// two sets of lines:
//   system  for every basis line "s p x" of subnet i, in subnet order and then line order, and
//           for every contact entry of p in list order: "u p -x" when i consumes from p, then
//           "u p x" when i produces into p (u = offset(i) + s)
//   units   unit solutions: "k r 1" for every unknown r = 1, 2, ... that has no line in the
//           system, k counting these lines from 1
//
// Example: the list of 2 subnets "2 2 1" (place 2 consumed by subnet 2, produced by subnet 1);
// bases "1 1 1", "1 2 1" and "1 2 1", "1 3 1" give the system "1 2 1", "2 2 -1" and no units.
//
// An unknown number or a negated value outside the signed 32-bit range ends the run with
// "*** integer overflow\n" (exit code 5); no memory for the contact entries with
// "*** not enough memory for c\n", for the marks of the unknowns with "... for in\n" (exit
// code 1).
#pragma once

#include <cstdint>
#include <vector>

#include "compose/contactplaces.h"
#include "matrix/spm.h"

namespace pelorin {

// The bases of the subnets being composed: bases[i - 1] holds the lines of subnet i's basis.
using Bases = std::vector<const std::vector<Element>*>;

// The composition system and its unit solutions.
struct CompositionSystem {
  std::vector<Element> system;
  std::vector<Element> units;
};

// The composition system of the subnets of `list` with their bases (list.subnets of them).
CompositionSystem CompositionSystemOf(const ContactList& list, const Bases& bases);

// The offset of the next subnet's unknowns: `offset` plus the largest solution number of
// `basis` (nothing added when it has none).
int32_t NextUnknownOffset(int32_t offset, const std::vector<Element>& basis);

}  // namespace pelorin
