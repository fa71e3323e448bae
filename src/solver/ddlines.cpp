// Minimal-support semiflows and the reduction to minimal supports on matrices held in memory as
// the lines of their files (contract in dd.h): the solver of the subnets and composition systems
// of the composition chain with "--minimal", at every debug level. Reads and writes no file.
#include <cstdint>

#include "matrix/failure.h"
#include "solver/dd.h"

namespace pelorin {

namespace {

// The semiflows of a set in the given order, numbered from 1, as lines; a coefficient beyond 32
// bits is an overflow.
template <class Set>
std::vector<Element> LinesOf(const Set& semiflows, const std::vector<size_t>& order) {
  std::vector<Element> lines;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i + 1 > static_cast<size_t>(INT32_MAX)) FailOverflow();
    for (const auto& [element, coefficient] : semiflows[order[i]]) {
      lines.push_back({static_cast<int32_t>(i + 1), element, Narrow32(coefficient)});
    }
  }
  return lines;
}

}  // namespace

std::vector<Element> MinimalSemiflowsOf(const std::vector<Element>& matrix, ConeLimit limit) {
  IndexList rows;
  const SparseSystem system = WithMemory("rays", [&] { return SystemOf(matrix, rows); });
  return WithExtremeRays(system, limit, [&](auto& semiflows) {
    return WithMemory("rays", [&] {
      for (auto& entry : semiflows.entries) entry.first = rows.ids[static_cast<size_t>(entry.first)];
      return LinesOf(semiflows, CanonicalOrder(semiflows));
    });
  });
}

std::vector<Element> MinimalSupportsOf(const std::vector<Element>& vectors) {
  return WithMemory("rays", [&] {
    VectorsOfLines<int64_t> lines;
    for (const Element& e : vectors) lines.Add(e.row, e.col, e.value);
    std::vector<Semiflow64> kept = MinimalSupportMembers(lines.Take());
    return LinesOf(kept, CanonicalOrder(kept));
  });
}

}  // namespace pelorin
