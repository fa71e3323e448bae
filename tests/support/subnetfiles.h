// The two line files that describe subnets to the file forms of the composition stages: the
// contact place list and the sequence file of fusion sets.
//
// Contact place list (B.z, and B.y of sequential composition):
//   line 1            the number of subnets (read as it stands, without a comment or blank
//                     test; no number there counts as 0)
//   "#..." or blank   skipped
//   "p c q"           contact place p, consumed by subnet c, produced by subnet q; a line of two
//                     integers means q = 1, other malformed lines end the run with
//                     "*** malformed line N in file F\n" (exit code 4)
// Example: "2\n2 2 1\n" is a list of two subnets whose place 2 subnet 2 consumes from and
// subnet 1 produces into.
//
// Sequence file (B.t): one fusion set per line, subnet numbers separated by blanks, e.g.
// "1 2\n"; the first number is the number the fused subnet keeps. A word that does not begin
// with a number stands for 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compose/contactplaces.h"

namespace pelorin::test {

// Reads the contact place list `name`; the entries' memory message names `c`.
ContactList ReadContactList(const std::string& name);

// Writes a contact place list: its number of subnets, then the entries not marked in `taken`
// (all of them when it is null).
void WriteContactList(const std::string& name, int32_t subnets, const std::vector<ContactEntry>& entries,
                      const std::vector<char>* taken = nullptr);

// Copies line `step` (from 1; a smaller step means 1) of the sequence file, with its line end,
// into `buffer`. A file that ends before that line ends the run with
// "*** unexpected end of sequence file\n" (exit code 2), `buffer` unchanged.
void ReadFusionSet(const std::string& sequence, int step, std::string& buffer);

// Every blank-separated number of a fusion line, in line order (0 for a word that does not
// begin with a number).
std::vector<int> FusionMembers(const std::string& line);

}  // namespace pelorin::test

namespace pelorin {

using test::FusionMembers;
using test::ReadContactList;
using test::ReadFusionSet;

}  // namespace pelorin
