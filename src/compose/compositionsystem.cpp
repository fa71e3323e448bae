// Composition system over contact places; the contract is in compositionsystem.h.
#include "compose/compositionsystem.h"

#include <algorithm>

#include "matrix/exactint.h"
#include "matrix/failure.h"

namespace pelorin {
namespace {

// Positions in the contact list of the entries of each place, in list order.
struct EntriesOfPlace {
  IndexList places;                       // the contact places
  std::vector<std::vector<size_t>> of;    // of[position of a place]: its entries
};

EntriesOfPlace IndexByPlace(const ContactList& list) {
  return WithMemory("c", [&] {
    EntriesOfPlace index;
    for (size_t k = 0; k < list.entries.size(); ++k) {
      const auto position = static_cast<size_t>(index.places.Add(list.entries[k].place));
      if (position == index.of.size()) index.of.emplace_back();
      index.of[position].push_back(k);
    }
    return index;
  });
}

// The state of one system being built.
struct System {
  const ContactList& list;
  const EntriesOfPlace& entriesOf;
  std::vector<Element>& lines;  // the system's lines
  std::vector<bool> hasLine;    // hasLine[u]: unknown u has a line in the system (entry 0 unused)
  int32_t unknowns = 0;         // the unknowns numbered so far
};

void AddEquation(System& system, int32_t unknown, int32_t place, int32_t value) {
  system.lines.push_back({unknown, place, value});
  if (unknown <= 0) return;
  WithMemory("in", [&] {
    if (system.hasLine.size() <= static_cast<size_t>(unknown)) system.hasLine.resize(static_cast<size_t>(unknown) + 1);
  });
  system.hasLine[static_cast<size_t>(unknown)] = true;
}

// One basis line "s p x" of subnet i: "u p -x" where i consumes from p, "u p x" where it produces.
void AddBasisLine(System& system, const Element& line, int32_t i, int32_t offset) {
  const int32_t position = system.entriesOf.places.Find(line.col);
  if (position < 0) return;
  for (size_t k : system.entriesOf.of[static_cast<size_t>(position)]) {
    const ContactEntry& entry = system.list.entries[k];
    if (entry.consuming == i) AddEquation(system, CheckedAdd(offset, line.row), line.col, CheckedMul(-1, line.value));
    if (entry.producing == i) AddEquation(system, CheckedAdd(offset, line.row), line.col, line.value);
  }
}

// The lines of subnet i's basis, numbered on after the unknowns of the subnets before it.
void AddSubnet(System& system, const std::vector<Element>& basis, int32_t i) {
  for (const Element& line : basis) AddBasisLine(system, line, i, system.unknowns);
  system.unknowns = NextUnknownOffset(system.unknowns, basis);
}

// Room for a mark of every unknown.
void MarkAll(System& system) {
  WithMemory("in", [&] { system.hasLine.resize(static_cast<size_t>(system.unknowns) + 1); });
}

// "k r 1" for every unknown r = 1..unknowns without a line in the system.
std::vector<Element> UnitSolutions(const System& system) {
  std::vector<Element> units;
  int32_t k = 0;
  for (int32_t r = 1; r <= system.unknowns; ++r)
    if (!system.hasLine[static_cast<size_t>(r)]) units.push_back({++k, r, 1});
  return units;
}

}  // namespace

int32_t NextUnknownOffset(int32_t offset, const std::vector<Element>& basis) {
  int32_t largest = 0;
  for (const Element& line : basis) largest = std::max(largest, line.row);
  return CheckedAdd(offset, largest);
}

CompositionSystem CompositionSystemOf(const ContactList& list, const Bases& bases) {
  const EntriesOfPlace entriesOf = IndexByPlace(list);
  CompositionSystem result;
  System system{list, entriesOf, result.system, {}, 0};
  WithMemory("c", [&] {
    for (int32_t i = 1; i <= list.subnets; ++i) AddSubnet(system, *bases[static_cast<size_t>(i - 1)], i);
  });
  MarkAll(system);
  result.units = WithMemory("in", [&] { return UnitSolutions(system); });
  return result;
}

}  // namespace pelorin
