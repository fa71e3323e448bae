// Joint matrix of the subnets' bases.
//
// ComposeJointMatrix(B) stacks all subnet solutions into one matrix: one row per unknown,
// numbered exactly as the composition system numbers them (solution s of subnet i is row
// offset(i) + s, see compositionsystem.h), one column per place. The product of the completed
// solutions of the composition system with this matrix gives the composed invariants over places.
//
// Reads B.z (contact place list, see compositionsystem.h) and the bases B.i1 .. B.in ("s place x"
// lines).
// Writes B.g (replaced), every line "%d %d %d\n": for i = 1..n, in the order of B.i<i>, every
// basis line "s p x" as "offset(i)+s p x", except the lines on a contact place p whose producing
// subnet is i and whose consuming subnet is positive: a contact place takes its value from its
// consuming subnet only (the system makes both sides carry the same total).
//
// Example: B.z = "2", "2 2 1" (place 2 consumed by subnet 2, produced by subnet 1);
// B.i1 = "1 1 1", "1 2 1"; B.i2 = "1 2 1", "1 3 1" give B.g = "1 1 1", "2 2 1", "2 3 1".
//
// Blank lines and lines beginning with "#" are skipped; data lines of two integers mean the value
// 1, other malformed data lines end the run with "*** malformed line N in file F\n" (exit code 4).
// A row number beyond the signed 32-bit range ends it with "*** integer overflow\n" (exit code 5),
// a file that cannot be opened with "*** error open file %s\n" (exit code 2), and no memory for
// the contact entries with "*** not enough memory for c\n" (exit code 1).
#pragma once

#include <string>
#include <vector>

#include "compose/compositionsystem.h"

namespace pelorin {

void ComposeJointMatrix(const std::string& base);

// The same for the contact place list and bases in memory (list.subnets of them); returns the
// lines of B.g.
std::vector<Element> JointMatrixOf(const ContactList& list, const Bases& bases);

}  // namespace pelorin
