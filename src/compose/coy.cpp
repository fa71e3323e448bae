// Composition system over contact places; the contract is in coy.h.
#include "compose/coy.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "matrix/textfile.h"
#include "matrix/failure.h"

namespace pelorin {
namespace {

// Positions in the contact list of the entries of each place, in list order.
using EntriesOfPlace = std::unordered_map<int32_t, std::vector<size_t>>;

EntriesOfPlace IndexByPlace(const ContactList& list) {
  return WithMemory("c", [&] {
    EntriesOfPlace index;
    for (size_t k = 0; k < list.entries.size(); ++k) index[list.entries[k].place].push_back(k);
    return index;
  });
}

// The state of one system being written.
struct System {
  const ContactList& list;
  const EntriesOfPlace& entriesOf;
  std::FILE* out;           // the system file
  std::vector<bool> inS;    // inS[u]: unknown u has a line in the system (entry 0 unused)
};

void WriteEquation(System& system, int32_t unknown, int32_t place, int32_t value) {
  WriteElement(system.out, unknown, place, value);
  if (unknown <= 0) return;
  WithMemory("in", [&] {
    if (system.inS.size() <= static_cast<size_t>(unknown)) system.inS.resize(static_cast<size_t>(unknown) + 1);
  });
  system.inS[static_cast<size_t>(unknown)] = true;
}

// One basis line "s p x" of subnet i: "u p -x" where i consumes from p, "u p x" where it produces.
void WriteBasisLine(System& system, const Element& line, int32_t i, int32_t offset) {
  const auto found = system.entriesOf.find(line.col);
  if (found == system.entriesOf.end()) return;
  for (size_t k : found->second) {
    const ContactEntry& entry = system.list.entries[k];
    if (entry.consuming == i) WriteEquation(system, CheckedAdd(offset, line.row), line.col, CheckedMul(-1, line.value));
    if (entry.producing == i) WriteEquation(system, CheckedAdd(offset, line.row), line.col, line.value);
  }
}

// "k r 1" for every unknown r = 1..unknowns without a line in the system.
void WriteUnitSolutions(const std::string& name, std::vector<bool>& inS, int32_t unknowns) {
  WithMemory("in", [&] { inS.resize(static_cast<size_t>(unknowns) + 1); });
  File file = OpenFile(name, "w");
  int32_t k = 0;
  for (int32_t r = 1; r <= unknowns; ++r)
    if (!inS[static_cast<size_t>(r)]) WriteElement(file.get(), ++k, r, 1);
}

}  // namespace

ContactList ReadContactList(const std::string& name) {
  File file = OpenFile(name, "r");
  ContactList list;
  std::string line;
  if (ReadLine(file.get(), line)) list.subnets = LeadingInt(line);
  WithMemory("c", [&] {
    for (long number = 2; ReadLine(file.get(), line); ++number) {
      if (IsSkippedLine(line, CommentRule::kHash)) continue;
      const Element e = ParseElementLine(line, name, number);
      list.entries.push_back({e.row, e.col, e.value});
    }
  });
  return list;
}

std::string SubnetBasisName(const std::string& base, int32_t i) { return base + ".i" + std::to_string(i); }

int32_t NextUnknownOffset(int32_t offset, const std::vector<Element>& basis) {
  int32_t largest = 0;
  for (const Element& line : basis) largest = std::max(largest, line.row);
  return CheckedAdd(offset, largest);
}

void CreateCompositionSystem(const std::string& base) {
  const ContactList list = ReadContactList(base + ".z");
  const EntriesOfPlace entriesOf = IndexByPlace(list);
  int32_t unknowns = 0;  // `is`: the unknowns numbered so far
  std::vector<bool> inS;
  {
    File out = OpenFile(base + ".s", "w");
    System system{list, entriesOf, out.get(), {}};
    for (int32_t i = 1; i <= list.subnets; ++i) {
      const std::vector<Element> basis = ReadElementsFile(SubnetBasisName(base, i));
      for (const Element& line : basis) WriteBasisLine(system, line, i, unknowns);
      unknowns = NextUnknownOffset(unknowns, basis);
    }
    inS = std::move(system.inS);
  }
  WriteUnitSolutions(base + ".u", inS, unknowns);
}

}  // namespace pelorin
