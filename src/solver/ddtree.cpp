// Bit-pattern tree of the adjacency test (contract in ddtree.h). Works in memory only.
#include "solver/ddtree.h"

#include <algorithm>

namespace pelorin {

namespace {

constexpr uint32_t kLeafSize = 8;  // members of a node that is not split further

// Classes of variables: two variables share a class when every support holds both or neither.
// Refines one class per support (its members inside the support move to a new class); returns
// the dense class of every variable (-1 for those in no support) and the number of classes.
std::vector<int32_t> Classes(const std::vector<std::span<const int32_t>>& supports, size_t variables,
                             size_t& count) {
  std::vector<int32_t> cls(variables, -1);
  for (const auto& s : supports)
    for (int32_t v : s) cls[static_cast<size_t>(v)] = 0;
  std::vector<uint32_t> stampOf{0};
  std::vector<int32_t> splitTo{0};
  uint32_t stamp = 0;
  for (const auto& s : supports) {
    ++stamp;
    for (int32_t v : s) {
      const size_t c = static_cast<size_t>(cls[static_cast<size_t>(v)]);
      if (stampOf[c] != stamp) {
        stampOf[c] = stamp;
        splitTo[c] = static_cast<int32_t>(stampOf.size());
        stampOf.push_back(0);
        splitTo.push_back(0);
      }
      cls[static_cast<size_t>(v)] = splitTo[c];
    }
  }
  std::vector<int32_t> dense(stampOf.size(), -1);
  count = 0;
  for (int32_t& c : cls)
    if (c >= 0) {
      if (dense[static_cast<size_t>(c)] < 0) dense[static_cast<size_t>(c)] = static_cast<int32_t>(count++);
      c = dense[static_cast<size_t>(c)];
    }
  return cls;
}

bool HasBit(const uint64_t* bits, size_t k) { return (bits[k / 64] >> (k % 64)) & 1; }

// The class held by the number of members nearest to half of them (0 < number < all), or -1.
int64_t SplitClass(const PatternTree& t, uint32_t begin, uint32_t end, std::vector<uint32_t>& freq,
                   std::vector<size_t>& touched) {
  for (uint32_t k = begin; k < end; ++k) {
    const uint64_t* bits = &t.bits[t.order[k] * t.words];
    for (size_t w = 0; w < t.words; ++w)
      for (uint64_t word = bits[w]; word != 0; word &= word - 1) {
        const size_t c = w * 64 + static_cast<size_t>(__builtin_ctzll(word));
        if (freq[c]++ == 0) touched.push_back(c);
      }
  }
  const uint32_t size = end - begin;
  int64_t best = -1;
  uint32_t bestDistance = size;
  for (size_t c : touched) {
    const uint32_t f = freq[c];
    const uint32_t distance = f * 2 > size ? f * 2 - size : size - f * 2;
    if (f < size && distance < bestDistance) {
      best = static_cast<int64_t>(c);
      bestDistance = distance;
    }
    freq[c] = 0;
  }
  touched.clear();
  return best;
}

// Fills node `index`: its common classes, and its children when it is split.
void BuildNode(PatternTree& t, size_t index, std::vector<uint32_t>& freq, std::vector<size_t>& touched,
               std::vector<size_t>& pending) {
  const uint32_t begin = t.nodes[index].begin, end = t.nodes[index].end;
  uint64_t* common = &t.common[index * t.words];
  std::copy_n(&t.bits[t.order[begin] * t.words], t.words, common);
  for (uint32_t k = begin + 1; k < end; ++k)
    for (size_t w = 0; w < t.words; ++w) common[w] &= t.bits[t.order[k] * t.words + w];
  if (end - begin <= kLeafSize) return;
  const int64_t split = SplitClass(t, begin, end, freq, touched);
  if (split < 0) return;
  const auto middle = std::stable_partition(t.order.begin() + begin, t.order.begin() + end, [&](uint32_t m) {
    return HasBit(&t.bits[m * t.words], static_cast<size_t>(split));
  });
  const uint32_t cut = static_cast<uint32_t>(middle - t.order.begin());
  for (auto [b, e] : {std::pair{begin, cut}, std::pair{cut, end}}) {
    (b == begin ? t.nodes[index].left : t.nodes[index].right) = static_cast<int32_t>(t.nodes.size());
    pending.push_back(t.nodes.size());
    t.nodes.push_back({-1, -1, b, e});
    t.common.resize(t.nodes.size() * t.words);
    common = &t.common[index * t.words];
  }
}

}  // namespace

PatternTree BuildPatternTree(const std::vector<std::span<const int32_t>>& supports, size_t variables) {
  PatternTree t;
  size_t classes = 0;
  const std::vector<int32_t> cls = Classes(supports, variables, classes);
  t.words = std::max<size_t>(1, (classes + 63) / 64);
  t.bits.assign(supports.size() * t.words, 0);
  for (size_t k = 0; k < supports.size(); ++k)
    for (int32_t v : supports[k]) {
      const size_t c = static_cast<size_t>(cls[static_cast<size_t>(v)]);
      t.bits[k * t.words + c / 64] |= uint64_t{1} << (c % 64);
    }
  if (supports.empty()) return t;
  for (uint32_t k = 0; k < supports.size(); ++k) t.order.push_back(k);
  t.nodes.push_back({-1, -1, 0, static_cast<uint32_t>(supports.size())});
  t.common.resize(t.words);
  std::vector<uint32_t> freq(classes, 0);
  std::vector<size_t> touched, pending{0};
  while (!pending.empty()) {
    const size_t index = pending.back();
    pending.pop_back();
    BuildNode(t, index, freq, touched, pending);
  }
  return t;
}

int64_t MemberInside(const PatternTree& tree, const std::vector<uint64_t>& set, uint32_t a, uint32_t b,
                     std::vector<int32_t>& stack) {
  if (tree.nodes.empty()) return -1;
  const size_t words = tree.words;
  auto inside = [&](const uint64_t* bits) {
    for (size_t w = 0; w < words; ++w)
      if ((bits[w] & ~set[w]) != 0) return false;
    return true;
  };
  stack.assign(1, 0);
  while (!stack.empty()) {
    const PatternTree::Node& node = tree.nodes[static_cast<size_t>(stack.back())];
    const uint64_t* common = &tree.common[static_cast<size_t>(stack.back()) * words];
    stack.pop_back();
    if (!inside(common)) continue;
    if (node.left < 0) {
      for (uint32_t k = node.begin; k < node.end; ++k) {
        const uint32_t m = tree.order[k];
        if (m != a && m != b && inside(&tree.bits[m * words])) return m;
      }
      continue;
    }
    stack.push_back(node.right);
    stack.push_back(node.left);
  }
  return -1;
}

}  // namespace pelorin
