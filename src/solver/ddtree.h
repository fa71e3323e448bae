// Bit-pattern tree: the index behind the adjacency test of the minimal-support solver. It
// answers "does a member other than a and b have its support inside this set?" for the
// supports of one elimination step.
//
// Variables that lie in exactly the same supports are folded onto one bit (a class), so a
// support is a bit set over classes, and a union of supports is exactly the union of their bit
// sets. The tree splits the members on the class held by about half of them; every node keeps
// the classes common to all members below it, so a search leaves a subtree as soon as one of
// those classes lies outside the set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pelorin {

struct PatternTree {
  struct Node {
    int32_t left = -1;   // child whose members hold the split class; -1 for a leaf
    int32_t right = -1;  // child whose members do not
    uint32_t begin = 0;  // the members below the node are order[begin .. end)
    uint32_t end = 0;
  };
  size_t words = 0;               // 64-bit words per bit set
  std::vector<uint64_t> bits;     // per member (its position in the input): its bit set
  std::vector<uint32_t> order;    // members, grouped by node
  std::vector<Node> nodes;        // nodes[0] is the root (absent when there are no members)
  std::vector<uint64_t> common;   // per node: the classes that every member below holds
};

// The tree over `supports` (variable positions below `variables`).
PatternTree BuildPatternTree(const std::vector<std::span<const int32_t>>& supports, size_t variables);

// The bit set of the union of the supports of members a and b, into `out` (words entries).
inline void UnionOf(const PatternTree& tree, uint32_t a, uint32_t b, std::vector<uint64_t>& out) {
  out.resize(tree.words);
  const uint64_t* x = &tree.bits[a * tree.words];
  const uint64_t* y = &tree.bits[b * tree.words];
  for (size_t w = 0; w < tree.words; ++w) out[w] = x[w] | y[w];
}

// A member other than a and b whose support lies inside the bit set `set`, or -1 when there is
// none. `stack` is scratch space.
int64_t MemberInside(const PatternTree& tree, const std::vector<uint64_t>& set, uint32_t a, uint32_t b,
                     std::vector<int32_t>& stack);

// Member m's support lies inside `set`.
inline bool Inside(const PatternTree& tree, uint32_t m, const std::vector<uint64_t>& set) {
  const uint64_t* bits = &tree.bits[m * tree.words];
  for (size_t w = 0; w < tree.words; ++w)
    if ((bits[w] & ~set[w]) != 0) return false;
  return true;
}

}  // namespace pelorin
