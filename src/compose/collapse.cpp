// Collapse of the graph of subnets (the contract is in collapse.h).
//
// The edge array `e` is kept in slots: a record stays in its slot until the sort swaps it with
// another one, and a removed record leaves its slot empty, so the records in slot order are the
// array in its order. A tree over the slots summarises every range (live records, heaviest and
// lightest weight, whether the weights never increase), which lets the selection sort jump
// straight to the places where it swaps, and lets the choice find its record by position. The
// order of the records after every step is exactly that of the plain array with its selection
// sort, removal by shifting, and combination of parallel arcs.
#include "compose/collapse.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "matrix/exactint.h"
#include "matrix/failure.h"
#include "matrix/lines.h"
#include "matrix/spm.h"

namespace pelorin {
namespace {

constexpr size_t kNone = SIZE_MAX;
constexpr int64_t kNoWeight = INT64_MIN;

struct Arc {
  int32_t lo = 0;      // the smaller subnet number
  int32_t hi = 0;      // the larger subnet number
  int32_t weight = 1;  // number of contact places the two subnets share
};

// Summary of the live records in a range of slots.
struct Node {
  size_t live = 0;       // live records in the range; the fields below hold only when live > 0
  int32_t max = 0;       // heaviest weight
  size_t maxCount = 0;   // records of the heaviest weight
  int32_t min = 0;       // lightest weight
  int32_t first = 0;     // weight of the first live record
  int32_t last = 0;      // weight of the last live record
  bool sorted = true;    // the weights never increase from record to record
};

// The edge array `e` and the look-ups that keep the collapse fast.
struct Edges {
  std::vector<Arc> arcs;                  // arcs[id]: record id, from 0 in the order of the graph
  std::vector<size_t> slotOf;             // slot of record id, kNone once removed
  std::vector<size_t> idAt;               // record in slot s, kNone when empty
  std::vector<Node> tree;                 // tree[1] covers slots 0..width-1; children 2k, 2k+1
  size_t width = 1;                       // leaves of the tree, a power of two >= the slots
  size_t n = 0;                           // live records
  std::unordered_map<uint64_t, size_t> pairs;                 // (lo, hi) -> live record id
  std::unordered_map<int32_t, std::vector<size_t>> incident;  // subnet -> records that touched it
};

Node Join(const Node& left, const Node& right) {
  if (left.live == 0) return right;
  if (right.live == 0) return left;
  Node node;
  node.live = left.live + right.live;
  node.max = std::max(left.max, right.max);
  node.maxCount = (left.max == node.max ? left.maxCount : 0) + (right.max == node.max ? right.maxCount : 0);
  node.min = std::min(left.min, right.min);
  node.first = left.first;
  node.last = right.last;
  node.sorted = left.sorted && right.sorted && left.last >= right.first;
  return node;
}

Node Leaf(const Edges& e, size_t slot) {
  Node node;
  if (slot >= e.idAt.size() || e.idAt[slot] == kNone) return node;
  const int32_t w = e.arcs[e.idAt[slot]].weight;
  node.live = 1;
  node.max = node.min = node.first = node.last = w;
  node.maxCount = 1;
  return node;
}

// Recomputes the summaries above `slot`.
void Update(Edges& e, size_t slot) {
  size_t k = e.width + slot;
  e.tree[k] = Leaf(e, slot);
  for (k /= 2; k >= 1; k /= 2) e.tree[k] = Join(e.tree[2 * k], e.tree[2 * k + 1]);
}

void BuildTree(Edges& e) {
  while (e.width < e.idAt.size()) e.width *= 2;
  e.tree.assign(2 * e.width, Node{});
  for (size_t s = 0; s < e.width; ++s) e.tree[e.width + s] = Leaf(e, s);
  for (size_t k = e.width - 1; k >= 1; --k) e.tree[k] = Join(e.tree[2 * k], e.tree[2 * k + 1]);
}

// The first live slot >= from whose weight is below a later weight, where `right` is the
// heaviest weight to the right of the node's range: where the selection sort swaps next.
size_t FirstOutOfOrder(const Edges& e, size_t k, size_t lo, size_t hi, size_t from, int64_t right) {
  const Node& node = e.tree[k];
  if (hi < from || node.live == 0) return kNone;
  if (lo >= from) {
    if (node.sorted && node.min >= right) return kNone;
    if (lo == hi) return lo;
  }
  const size_t mid = lo + (hi - lo) / 2;
  const Node& rightChild = e.tree[2 * k + 1];
  const int64_t rightOfLeft = rightChild.live > 0 ? std::max<int64_t>(right, rightChild.max) : right;
  if (from <= mid) {
    const size_t found = FirstOutOfOrder(e, 2 * k, lo, mid, from, rightOfLeft);
    if (found != kNone) return found;
  }
  return FirstOutOfOrder(e, 2 * k + 1, mid + 1, hi, from, right);
}

// The heaviest weight of the live slots >= from (kNoWeight when there are none).
int64_t MaxFrom(const Edges& e, size_t k, size_t lo, size_t hi, size_t from) {
  const Node& node = e.tree[k];
  if (hi < from || node.live == 0) return kNoWeight;
  if (lo >= from) return node.max;
  const size_t mid = lo + (hi - lo) / 2;
  return std::max(MaxFrom(e, 2 * k, lo, mid, from), MaxFrom(e, 2 * k + 1, mid + 1, hi, from));
}

// The first live slot >= from whose weight is at least `weight`.
size_t FirstAtLeast(const Edges& e, size_t k, size_t lo, size_t hi, size_t from, int64_t weight) {
  const Node& node = e.tree[k];
  if (hi < from || node.live == 0 || node.max < weight) return kNone;
  if (lo == hi) return lo;
  const size_t mid = lo + (hi - lo) / 2;
  const size_t found = FirstAtLeast(e, 2 * k, lo, mid, from, weight);
  return found != kNone ? found : FirstAtLeast(e, 2 * k + 1, mid + 1, hi, from, weight);
}

// The slot of the record at `position` (from 0) of the array.
size_t SlotAt(const Edges& e, size_t position) {
  size_t k = 1;
  while (k < e.width) {
    const size_t leftLive = e.tree[2 * k].live;
    if (position < leftLive) {
      k = 2 * k;
    } else {
      position -= leftLive;
      k = 2 * k + 1;
    }
  }
  return k - e.width;
}

void PlaceRecord(Edges& e, size_t id, size_t slot) {
  e.idAt[slot] = id;
  e.slotOf[id] = slot;
}

// The first slot of the heaviest weight among the records from slot `from` on.
size_t FirstHeaviest(const Edges& e, size_t from) {
  return FirstAtLeast(e, 1, 0, e.width - 1, from, MaxFrom(e, 1, 0, e.width - 1, from));
}

// Selection sort, heaviest first: record i is swapped with the first heaviest record of
// i..n-1. Only the records below a later weight move, so the sort goes from one to the next.
void SortHeaviestFirst(Edges& e) {
  for (size_t i = FirstOutOfOrder(e, 1, 0, e.width - 1, 0, kNoWeight); i != kNone;
       i = FirstOutOfOrder(e, 1, 0, e.width - 1, i + 1, kNoWeight)) {
    const size_t j = FirstHeaviest(e, i);
    const size_t at = e.idAt[i];
    PlaceRecord(e, e.idAt[j], i);
    PlaceRecord(e, at, j);
    Update(e, i);
    Update(e, j);
  }
}

// Removes the record in `slot`; the later records move down one place.
void RemoveRecord(Edges& e, size_t slot) {
  e.slotOf[e.idAt[slot]] = kNone;
  e.idAt[slot] = kNone;
  --e.n;
  Update(e, slot);
}

// Record `id` has just been moved to a pair that may already have an arc: the two parallel arcs
// become one, at the place of the earlier, with the sum of the weights.
void CombineParallel(Edges& e, size_t id) {
  const uint64_t key = PairKey(e.arcs[id].lo, e.arcs[id].hi);
  auto [it, inserted] = e.pairs.try_emplace(key, id);
  if (inserted) return;
  size_t keep = it->second;
  size_t drop = id;
  if (e.slotOf[drop] < e.slotOf[keep]) std::swap(keep, drop);
  e.arcs[keep].weight = CheckedAdd(e.arcs[keep].weight, e.arcs[drop].weight);
  it->second = keep;
  RemoveRecord(e, e.slotOf[drop]);
  Update(e, e.slotOf[keep]);
}

// Removes the record in `slot`, joining a (its smaller) and b (its larger number): every
// arc of b becomes an arc of a, and arcs that become parallel are combined.
void FuseEnds(Edges& e, size_t slot) {
  const Arc chosen = e.arcs[e.idAt[slot]];
  const int32_t a = chosen.lo;
  const int32_t b = chosen.hi;
  e.pairs.erase(PairKey(a, b));
  RemoveRecord(e, slot);
  std::vector<size_t> moved = std::move(e.incident[b]);
  e.incident.erase(b);
  std::vector<size_t>& ofA = e.incident[a];
  for (size_t id : moved) {
    Arc& arc = e.arcs[id];
    if (e.slotOf[id] == kNone || (arc.lo != b && arc.hi != b)) continue;
    const int32_t other = arc.lo == b ? arc.hi : arc.lo;
    e.pairs.erase(PairKey(arc.lo, arc.hi));
    arc.lo = std::min(a, other);
    arc.hi = std::max(a, other);
    ofA.push_back(id);
    CombineParallel(e, id);
  }
}

// Adds the arc of one graph line, after the checks for loops and duplicated arcs.
void AddArc(Edges& e, const Element& line) {
  const int32_t u = line.row;
  const int32_t v = line.col;
  const std::string numbers = std::to_string(u) + " " + std::to_string(v) + "\n";
  if (u == v) Fail(kExitFile, "*** error input file: loop " + numbers);
  const Arc arc{std::min(u, v), std::max(u, v), line.value};
  const size_t id = e.arcs.size();
  if (!e.pairs.try_emplace(PairKey(arc.lo, arc.hi), id).second)
    Fail(kExitFile, "*** error input file: duplicated arcs " + numbers);
  e.arcs.push_back(arc);
  e.incident[arc.lo].push_back(id);
  e.incident[arc.hi].push_back(id);
}

// The slots and the tree over the arcs once they are all added.
void PlaceArcs(Edges& e) {
  e.n = e.arcs.size();
  e.slotOf.resize(e.n);
  e.idAt.resize(e.n);
  for (size_t id = 0; id < e.n; ++id) PlaceRecord(e, id, id);
  BuildTree(e);
}

// The position (from 0) of the arc that the strategy picks in the sorted array.
size_t ChosenPosition(const Edges& e, CollapseStrategy strategy, CollapseRandom& random) {
  switch (strategy) {
    case CollapseStrategy::kLast:
      return e.n - 1;
    case CollapseStrategy::kDrawnHeaviest:
      return DrawnIndex(e.tree[1].maxCount, random.Next());
    case CollapseStrategy::kDrawn:
      return DrawnIndex(e.n, random.Next());
    default:
      return 0;
  }
}

}  // namespace

size_t DrawnIndex(size_t k, int r) {
  const double scaled = static_cast<double>(k) * r / 32767.0;
  const int64_t index = static_cast<int64_t>(scaled) - 1;
  if (index < 0) return 0;
  return std::min(static_cast<size_t>(index), k - 1);
}

int CollapseRandom::Next() {
  state = state * 1103515245u + 12345u;
  return static_cast<int>((state / 65536u) % 32768u);
}

namespace {

// Collapses the graph arc after arc into the fusion sets of the steps.
std::vector<std::vector<int>> Collapse(Edges& e, CollapseStrategy strategy, CollapseRandom& random) {
  std::vector<std::vector<int>> sequence;
  while (e.n > 0) {
    SortHeaviestFirst(e);
    const size_t slot = SlotAt(e, ChosenPosition(e, strategy, random));
    const Arc& chosen = e.arcs[e.idAt[slot]];
    sequence.push_back({chosen.lo, chosen.hi});
    FuseEnds(e, slot);
  }
  return sequence;
}

}  // namespace

std::vector<std::vector<int>> CollapseSequenceOf(CollapseStrategy strategy, const std::vector<Element>& graph,
                                                 CollapseRandom& random) {
  return WithMemory("e", [&] {
    Edges e;
    for (const Element& line : graph) AddArc(e, line);
    PlaceArcs(e);
    return Collapse(e, strategy, random);
  });
}

}  // namespace pelorin
