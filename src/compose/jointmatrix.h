// Joint matrix (mui) of the subnets' bases.
//
// JointMatrixOf(list, bases) stacks all subnet solutions into one matrix: one row per unknown,
// numbered exactly as the composition system numbers them (solution s of subnet i is row
// offset(i) + s, see compositionsystem.h), one column per place. The product of the completed
// solutions of the composition system with this matrix gives the composed invariants over places.
//
// It takes the contact place list and the bases of its subnets (lines "s place x") and returns,
// for i = 1..n, in the order of subnet i's basis, every basis line "s p x" as
// "offset(i)+s p x", except the lines on a contact place p whose producing subnet is i and whose
// consuming subnet is positive: a contact place takes its value from its consuming subnet only
// (the system makes both sides carry the same total).
//
// Example: the list of 2 subnets "2 2 1" (place 2 consumed by subnet 2, produced by subnet 1);
// bases "1 1 1", "1 2 1" and "1 2 1", "1 3 1" give "1 1 1", "2 2 1", "2 3 1".
//
// A row number beyond the signed 32-bit range ends the run with "*** integer overflow\n" (exit
// code 5), no memory for the contact entries with "*** not enough memory for c\n" (exit code 1).
#pragma once

#include <vector>

#include "compose/compositionsystem.h"

namespace pelorin {

// The joint matrix of the subnets of `list` with their bases (list.subnets of them).
std::vector<Element> JointMatrixOf(const ContactList& list, const Bases& bases);

}  // namespace pelorin
