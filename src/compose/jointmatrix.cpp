// Joint matrix of the subnets' bases; the contract is in jointmatrix.h.
#include "compose/jointmatrix.h"

#include <unordered_set>
#include <vector>

#include "compose/compositionsystem.h"
#include "matrix/exactint.h"
#include "matrix/failure.h"
#include "matrix/lines.h"
#include "matrix/spm.h"

namespace pelorin {
namespace {

// (place, producing subnet) of every contact entry with a positive consuming subnet: the lines
// that the producing side leaves out. The places alone are listed too, for a quick first look.
struct LeftOut {
  IndexList places;
  std::unordered_set<uint64_t> sides;
  bool Has(int32_t place, int32_t subnet) const {
    return places.Find(place) >= 0 && sides.count(PairKey(place, subnet)) != 0;
  }
};

LeftOut ProducingSides(const ContactList& list) {
  return WithMemory("c", [&] {
    LeftOut leftOut;
    for (const ContactEntry& entry : list.entries) {
      if (entry.consuming <= 0) continue;
      leftOut.places.Add(entry.place);
      leftOut.sides.insert(PairKey(entry.place, entry.producing));
    }
    return leftOut;
  });
}

// The rows of subnet i's basis, numbered on after `unknowns`, appended to `joint`; returns the
// next offset.
int32_t AddSubnetRows(const LeftOut& leftOut, const std::vector<Element>& basis, int32_t i, int32_t unknowns,
                      std::vector<Element>& joint) {
  for (const Element& line : basis)
    if (!leftOut.Has(line.col, i)) joint.push_back({CheckedAdd(unknowns, line.row), line.col, line.value});
  return NextUnknownOffset(unknowns, basis);
}

}  // namespace

std::vector<Element> JointMatrixOf(const ContactList& list, const Bases& bases) {
  const LeftOut leftOut = ProducingSides(list);
  std::vector<Element> joint;
  int32_t unknowns = 0;  // the rows numbered so far
  WithMemory("c", [&] {
    for (int32_t i = 1; i <= list.subnets; ++i)
      unknowns = AddSubnetRows(leftOut, *bases[static_cast<size_t>(i - 1)], i, unknowns, joint);
  });
  return joint;
}

}  // namespace pelorin
