// Composition system of the subnets' bases over their contact places.
//
// Every solution of every subnet is one unknown of the system: solution s of subnet i is unknown
// offset(i) + s, with offset(1) = 0 and offset(i + 1) = offset(i) + the largest solution number
// of subnet i's basis (0 when it has no line). A non-negative vector y over the unknowns with
// y . S = 0 combines subnet solutions that agree on every contact place, and so is an invariant
// of the composed net.
//
// Reads, for a work-file base B:
//   B.z     line 1 the number n of subnets (read as it stands; no number there means 0), then one
//           line "place consuming producing" per contact place; blank lines and lines beginning
//           with "#" are skipped
//   B.i1 .. B.in   the subnets' bases: lines "s place x" (solution s has x on the place)
// Writes, every line "%d %d %d\n", both files replaced:
//   B.s     the system: for every basis line "s p x" of subnet i, in subnet order and then file
//           order, and for every contact entry of p in the order of B.z: "u p -x" when i consumes
//           from p, then "u p x" when i produces into p (u = offset(i) + s)
//   B.u     unit solutions: "k r 1" for every unknown r = 1, 2, ... that has no line in B.s, k
//           counting these lines from 1
//
// Example: B.z = "2", "2 2 1" (place 2 consumed by subnet 2, produced by subnet 1);
// B.i1 = "1 1 1", "1 2 1"; B.i2 = "1 2 1", "1 3 1" give B.s = "1 2 1", "2 2 -1" and an empty B.u.
//
// Data lines of two integers mean the value 1; other malformed data lines end the run with
// "*** malformed line N in file F\n" (exit code 4). An unknown number or a negated value outside
// the signed 32-bit range ends it with "*** integer overflow\n" (exit code 5); a file that cannot
// be opened with "*** error open file %s\n" (exit code 2); no memory for the contact entries with
// "*** not enough memory for c\n", for the marks of the unknowns with "... for in\n" (exit code 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "matrix/spm.h"
#include "matrix/subnetfiles.h"

namespace pelorin {

void CreateCompositionSystem(const std::string& base);

// The bases of the subnets being composed: bases[i - 1] holds the lines of subnet i's basis file.
using Bases = std::vector<const std::vector<Element>*>;

// The two files of the composition system, in memory.
struct CompositionSystem {
  std::vector<Element> system;  // the lines of B.s
  std::vector<Element> units;   // the lines of B.u
};

// The same as CreateCompositionSystem for the contact place list and bases in memory; `bases`
// holds list.subnets bases.
CompositionSystem CompositionSystemOf(const ContactList& list, const Bases& bases);

// The basis file of subnet i: base + ".i" + i.
std::string SubnetBasisName(const std::string& base, int32_t i);

// The offset of the next subnet's unknowns: `offset` plus the largest solution number of
// `basis` (nothing added when it has none).
int32_t NextUnknownOffset(int32_t offset, const std::vector<Element>& basis);

}  // namespace pelorin
