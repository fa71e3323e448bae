// The rays of the minimal-support solver, stored flat: all supports of one store in one array,
// all their coefficients in another, and likewise the equation parts, with one offset per ray.
// A step appends the rays it forms to the store of the cone, and removed rays are squeezed out
// in place now and then, so the solver allocates only when a cone grows beyond its largest size.
//
// Ray `id` of a store (0, 1, ... in the order of appending):
//   support      vars[varBegin[id] .. varBegin[id + 1])   increasing variable positions
//   coefficients y[...] at the same positions               y > 0
//   equations    cols[colBegin[id] .. colBegin[id + 1])   increasing, where y.A is non-zero
//   values       e[...] at the same positions               (y.A) at those equations
//   signature    sig[id]: bit (v mod 64) set for every variable v of the support
// Example: the rays {0:1, 2:3 | eq 4: -2} and {1:1 | eq 4: 1, eq 5: 7} are
//   vars 0 2 1, y 1 3 1, varBegin 0 2 3; cols 4 4 5, e -2 1 7, colBegin 0 1 3; sig 0b101 0b10.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "solver/hugepages.h"

namespace pelorin {

template <class T>
struct RayStore {
  HugeVector<int32_t> vars;
  HugeVector<T> y;
  HugeVector<size_t> varBegin{0};  // rays + 1 entries
  HugeVector<int32_t> cols;
  HugeVector<T> e;
  HugeVector<size_t> colBegin{0};  // rays + 1 entries
  HugeVector<uint64_t> sig;        // one per ray

  size_t size() const { return sig.size(); }
  std::span<const int32_t> Vars(size_t id) const { return {vars.data() + varBegin[id], varBegin[id + 1] - varBegin[id]}; }
  std::span<const T> Y(size_t id) const { return {y.data() + varBegin[id], varBegin[id + 1] - varBegin[id]}; }
  std::span<const int32_t> Cols(size_t id) const { return {cols.data() + colBegin[id], colBegin[id + 1] - colBegin[id]}; }
  std::span<const T> E(size_t id) const { return {e.data() + colBegin[id], colBegin[id + 1] - colBegin[id]}; }

  // A ray is appended entry by entry, then closed: the entries pushed since the last close.
  void PushVar(int32_t v, T value) {
    vars.push_back(v);
    y.push_back(std::move(value));
  }
  void PushCol(int32_t c, T value) {
    cols.push_back(c);
    e.push_back(std::move(value));
  }
  void Close() {
    uint64_t s = 0;
    for (size_t k = varBegin.back(); k < vars.size(); ++k) s |= uint64_t{1} << (static_cast<uint32_t>(vars[k]) % 64);
    varBegin.push_back(vars.size());
    colBegin.push_back(cols.size());
    sig.push_back(s);
  }

  // Keeps the rays whose entry in `keep` is non-zero, in their order, moving them down in place:
  // a kept ray takes the next free id.
  void Keep(const std::vector<char>& keep) {
    size_t rays = 0, v = 0, c = 0;
    for (size_t id = 0; id < size(); ++id) {
      if (!keep[id]) continue;
      for (size_t k = varBegin[id]; k < varBegin[id + 1]; ++k, ++v)
        if (k != v) {
          vars[v] = vars[k];
          y[v] = std::move(y[k]);
        }
      for (size_t k = colBegin[id]; k < colBegin[id + 1]; ++k, ++c)
        if (k != c) {
          cols[c] = cols[k];
          e[c] = std::move(e[k]);
        }
      sig[rays] = sig[id];
      ++rays;
      varBegin[rays] = v;  // ray id's own begin is read before: rays <= id
      colBegin[rays] = c;
    }
    vars.resize(v);
    y.resize(v);
    cols.resize(c);
    e.resize(c);
    sig.resize(rays);
    varBegin.resize(rays + 1);
    colBegin.resize(rays + 1);
  }

  // Makes room for a ray of up to `moreVars` support and `moreCols` equation entries, so that
  // appending it moves no entry (the spans of the rays stay valid); the arrays grow by doubling.
  void Room(size_t moreVars, size_t moreCols) {
    if (vars.size() + moreVars > vars.capacity()) {
      const size_t capacity = std::max(2 * vars.capacity(), vars.size() + moreVars);
      vars.reserve(capacity);
      y.reserve(capacity);
    }
    if (cols.size() + moreCols > cols.capacity()) {
      const size_t capacity = std::max(2 * cols.capacity(), cols.size() + moreCols);
      cols.reserve(capacity);
      e.reserve(capacity);
    }
  }
};

}  // namespace pelorin
