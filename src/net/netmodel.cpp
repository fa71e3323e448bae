// Look-up and growth of the net model (netmodel.h).
#include "net/netmodel.h"

#include "matrix/lines.h"

namespace pelorin {
namespace {

const std::unordered_map<std::string, int32_t>& Numbers(const NetModel& net, Kind kind) {
  return kind == Kind::kPlace ? net.placeNumber : net.transitionNumber;
}

}  // namespace

int32_t FindNode(const NetModel& net, Kind kind, const std::string& name) {
  const auto& numbers = Numbers(net, kind);
  const auto it = numbers.find(name);
  return it == numbers.end() ? 0 : it->second;
}

int32_t AddNode(NetModel& net, Kind kind, const std::string& name) {
  std::vector<std::string>& names = kind == Kind::kPlace ? net.pn : net.tn;
  names.push_back(name);
  const auto number = static_cast<int32_t>(names.size() - 1);
  (kind == Kind::kPlace ? net.placeNumber : net.transitionNumber).try_emplace(name, number);
  return number;
}

int32_t FindOrAddNode(NetModel& net, Kind kind, const std::string& name) {
  const int32_t number = FindNode(net, kind, name);
  return number != 0 ? number : AddNode(net, kind, name);
}

void SetMarking(NetModel& net, int32_t place, int32_t tokens) {
  const auto i = static_cast<size_t>(place);
  if (net.marking.size() <= i) {
    if (tokens == 0) return;
    net.marking.resize(i + 1, 0);
  }
  net.marking[i] = tokens;
}

std::vector<int32_t> InitialMarking(const NetModel& net) {
  std::vector<int32_t> marking(static_cast<size_t>(net.m()), 0);
  for (size_t i = 1; i < net.marking.size() && i <= marking.size(); ++i) marking[i - 1] = net.marking[i];
  return marking;
}

void AppendArc(ArcTable& arcs, int32_t place, int32_t transition, int32_t weight) {
  arcs.place.push_back(place);
  arcs.transition.push_back(transition);
  arcs.weight.push_back(weight);
}

size_t FindOrAddArc(ArcTable& arcs, int32_t place, int32_t transition) {
  const auto [it, inserted] = arcs.index.try_emplace(PairKey(place, transition), arcs.size());
  if (inserted) AppendArc(arcs, place, transition, 1);
  return it->second;
}

}  // namespace pelorin
