// The net model from a PNML document (pnmlmodel.h).
#include "net/pnmlmodel.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "matrix/spm.h"
#include "matrix/lines.h"
#include "net/pnml.h"

namespace pelorin::pnml {
namespace {

// Node index of the place or transition that node `i` stands for, through its references.
// `target` keeps the answers found so far (kNone: not yet, kBusy: on the chain being followed).
constexpr uint32_t kBusy = kNone - 1;

uint32_t Resolve(const Document& r, uint32_t i, std::vector<uint32_t>& target) {
  std::vector<uint32_t> chain;
  uint32_t k = i;
  while (target[k] == kNone) {
    const Node& node = r.nodes[k];
    if (node.kind == NodeKind::kPlace || node.kind == NodeKind::kTransition) {
      target[k] = k;
      break;
    }
    target[k] = kBusy;
    chain.push_back(k);
    k = NodeOf(r, node.ref);
    if (k == kNone) FailPnml("reference " + Word(r, node.id) + " refers to the unknown node " + Word(r, node.ref));
  }
  if (target[k] == kBusy) FailPnml("reference " + Word(r, r.nodes[k].id) + " is part of a cycle of references");
  for (const uint32_t c : chain) target[c] = target[k];
  return target[k];
}

// Every reference stands for a node of its own kind; returns the node of every node index.
std::vector<uint32_t> ResolveReferences(const Document& r) {
  std::vector<uint32_t> target(r.nodes.size(), kNone);
  for (uint32_t i = 0; i < r.nodes.size(); ++i) {
    const NodeKind kind = r.nodes[i].kind;
    const uint32_t t = Resolve(r, i, target);
    if (kind == NodeKind::kPlaceReference && r.nodes[t].kind != NodeKind::kPlace)
      FailPnml("reference place " + Word(r, r.nodes[i].id) + " does not stand for a place");
    if (kind == NodeKind::kTransitionReference && r.nodes[t].kind != NodeKind::kTransition)
      FailPnml("reference transition " + Word(r, r.nodes[i].id) + " does not stand for a transition");
  }
  return target;
}

bool IsNetNode(const Node& node) { return node.kind == NodeKind::kPlace || node.kind == NodeKind::kTransition; }

// The name rule: names when every place and transition has a usable one and all differ.
bool UseNames(const Document& r) {
  std::unordered_set<std::string_view> seen;
  for (const Node& node : r.nodes) {
    if (!IsNetNode(node)) continue;
    if (!node.named || HasControl(WordView(r, node.name)) || !seen.insert(WordView(r, node.name)).second) return false;
  }
  return true;
}

// The name a node goes by, as written in ".net".
std::string NodeName(const Document& r, const Node& node, bool names) {
  return NetSyntaxName(Word(r, names ? node.name : node.id));
}

// One arc of one direction, before parallel arcs are merged.
struct Incidence {
  uint64_t key;    // PairKey(transition number, node index of the place)
  uint32_t order;  // position among the arcs of its direction
  int32_t weight;
  uint32_t Transition() const { return static_cast<uint32_t>(key >> 32); }
  uint32_t Place() const { return static_cast<uint32_t>(key & 0xffffffffu); }
};

// Adds parallel arcs (one key) into the first and leaves the arcs grouped by transition, in
// transition order, each group in the order of its first arcs: the order in which ".net" lines
// make them. Sorting instead of looking each arc up keeps no index per arc.
void Merge(std::vector<Incidence>& arcs) {
  std::sort(arcs.begin(), arcs.end(),
            [](const Incidence& a, const Incidence& b) { return a.key != b.key ? a.key < b.key : a.order < b.order; });
  size_t kept = 0;
  for (const Incidence& arc : arcs) {
    if (kept > 0 && arcs[kept - 1].key == arc.key) {
      arcs[kept - 1].weight = CheckedAdd(arcs[kept - 1].weight, arc.weight);
    } else {
      arcs[kept++] = arc;
    }
  }
  arcs.resize(kept);
  std::sort(arcs.begin(), arcs.end(), [](const Incidence& a, const Incidence& b) {
    return a.Transition() != b.Transition() ? a.Transition() < b.Transition() : a.order < b.order;
  });
}

// The place or transition node an arc end names.
uint32_t ArcEnd(const Document& r, const Arc& arc, size_t end, const std::vector<uint32_t>& target) {
  const uint32_t node = NodeOf(r, end);
  if (node == kNone) FailPnml("arc " + Word(r, arc.id) + " refers to the unknown node " + Word(r, end));
  return target[node];
}

// The arcs that move tokens, by direction: place to transition (inputs) and back (outputs).
void CollectArcs(const Document& r, const std::vector<uint32_t>& target, const std::vector<int32_t>& number,
                 std::vector<Incidence>& inputs, std::vector<Incidence>& outputs) {
  for (const Arc& arc : r.arcs) {
    const uint32_t source = ArcEnd(r, arc, arc.source, target);
    const uint32_t destination = ArcEnd(r, arc, arc.target, target);
    const bool fromPlace = r.nodes[source].kind == NodeKind::kPlace;
    if (fromPlace == (r.nodes[destination].kind == NodeKind::kPlace))
      FailPnml("arc " + Word(r, arc.id) + (fromPlace ? " joins two places" : " joins two transitions"));
    if (arc.kind != ArcKind::kNormal) continue;  // inhibitor and read arcs move no token
    const auto transition = static_cast<uint32_t>(number[fromPlace ? destination : source]);
    std::vector<Incidence>& arcs = fromPlace ? inputs : outputs;
    arcs.push_back({PairKey(transition, fromPlace ? source : destination),
                    static_cast<uint32_t>(arcs.size()), arc.weight});
  }
  Merge(inputs);
  Merge(outputs);
}

// Builds the model. Transitions are numbered in document order; places in the order the echo
// names them (the inputs, then the outputs of each transition), then the places without arcs in
// document order, so that the echo read back as ".net" numbers everything alike.
void BuildModel(NetModel& net, const Document& r, const std::vector<uint32_t>& target) {
  const bool names = UseNames(r);
  std::vector<int32_t> number(r.nodes.size(), 0);
  for (size_t i = 0; i < r.nodes.size(); ++i) {
    if (r.nodes[i].kind != NodeKind::kTransition) continue;
    net.tn.push_back(NodeName(r, r.nodes[i], names));
    number[i] = net.n();
  }
  std::vector<Incidence> inputs, outputs;
  inputs.reserve(r.arcs.size());
  outputs.reserve(r.arcs.size());
  CollectArcs(r, target, number, inputs, outputs);
  const auto numberPlace = [&](uint32_t node) {
    if (number[node] != 0) return;
    net.pn.push_back(NodeName(r, r.nodes[node], names));
    number[node] = net.m();
    SetMarking(net, net.m(), r.nodes[node].marking);
  };
  size_t a = 0, b = 0;
  for (uint32_t j = 1; j <= static_cast<uint32_t>(net.n()); ++j) {
    for (; a < inputs.size() && inputs[a].Transition() == j; ++a) numberPlace(inputs[a].Place());
    for (; b < outputs.size() && outputs[b].Transition() == j; ++b) numberPlace(outputs[b].Place());
  }
  for (uint32_t i = 0; i < r.nodes.size(); ++i)
    if (r.nodes[i].kind == NodeKind::kPlace) numberPlace(i);
  for (const Incidence& arc : inputs) AppendArc(net.apt, number[arc.Place()], static_cast<int32_t>(arc.Transition()), arc.weight);
  for (const Incidence& arc : outputs) AppendArc(net.atp, number[arc.Place()], static_cast<int32_t>(arc.Transition()), arc.weight);
}

void SetNetName(NetModel& net, const Document& r) {
  if (r.netNamed && !HasControl(r.netName)) {
    net.netname = NetSyntaxName(r.netName);
  } else if (r.netId != kNoWord) {
    net.netname = NetSyntaxName(Word(r, r.netId));
  }
}

}  // namespace

void BuildNetModel(NetModel& net, const Document& doc) {
  const std::vector<uint32_t> target = ResolveReferences(doc);
  BuildModel(net, doc, target);
  SetNetName(net, doc);
}

}  // namespace pelorin::pnml
