// Joint matrix of the subnets' bases; the contract is in mui.h.
#include "compose/mui.h"

#include <unordered_set>
#include <vector>

#include "compose/coy.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "run/failure.h"

namespace pelorin {
namespace {

uint64_t Key(int32_t place, int32_t subnet) {
  return (uint64_t{static_cast<uint32_t>(place)} << 32) | static_cast<uint32_t>(subnet);
}

// (place, producing subnet) of every contact entry with a positive consuming subnet: the lines
// that the producing side leaves out.
std::unordered_set<uint64_t> ProducingSides(const ContactList& list) {
  return WithMemory("c", [&] {
    std::unordered_set<uint64_t> sides;
    for (const ContactEntry& entry : list.entries)
      if (entry.consuming > 0) sides.insert(Key(entry.place, entry.producing));
    return sides;
  });
}

// The rows of subnet i's basis, numbered on after `unknowns`; returns the next offset.
int32_t AddSubnetRows(const std::unordered_set<uint64_t>& leftOut, const std::vector<Element>& basis, int32_t i,
                      int32_t unknowns, ElementSink out) {
  for (const Element& line : basis)
    if (leftOut.count(Key(line.col, i)) == 0) out.Put(CheckedAdd(unknowns, line.row), line.col, line.value);
  return NextUnknownOffset(unknowns, basis);
}

}  // namespace

void ComposeJointMatrix(const std::string& base) {
  const ContactList list = ReadContactList(base + ".z");
  const std::unordered_set<uint64_t> leftOut = ProducingSides(list);
  File out = OpenFile(base + ".g", "w");
  int32_t unknowns = 0;  // `is`: the rows numbered so far
  for (int32_t i = 1; i <= list.subnets; ++i)
    unknowns = AddSubnetRows(leftOut, ReadElementsFile(SubnetBasisName(base, i)), i, unknowns, ElementSink{out.get(), nullptr});
}

std::vector<Element> ComposeJointMatrixElements(const ContactList& list, const Bases& bases) {
  const std::unordered_set<uint64_t> leftOut = ProducingSides(list);
  std::vector<Element> joint;
  int32_t unknowns = 0;
  WithMemory("c", [&] {
    for (int32_t i = 1; i <= list.subnets; ++i)
      unknowns = AddSubnetRows(leftOut, *bases[static_cast<size_t>(i - 1)], i, unknowns, ElementSink{nullptr, &joint});
  });
  return joint;
}

}  // namespace pelorin
