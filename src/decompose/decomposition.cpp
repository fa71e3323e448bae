// Decomposition into minimal functional subnets; the contract is in decomposition.h.
//
// The subnets are the connected classes of the relation "consume from a common place or produce
// into a common place", found with a disjoint-set forest over the transitions in one pass over
// the elements. Numbering and classification follow from the classes alone: a subnet's number is
// given by its transition of lowest index of first appearance, and every place has at most one
// consuming and one producing subnet.
#include "decompose/decomposition.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "matrix/failure.h"
#include "matrix/spm.h"

namespace pelorin {
namespace {

// The matrix as the decomposition sees it. Positions count from 0 in order of first appearance.
struct Matrix {
  std::vector<Element> lines;         // every element line of M, in order, numbers as in M
  IndexList places;                   // place (row) numbers of M by first appearance
  IndexList transitions;              // transition (column) numbers of M by first appearance
  std::vector<int32_t> placeOf;       // per element of lines: position of its place in places
  std::vector<int32_t> transitionOf;  // per element of lines: position of its transition in transitions
};

// The outcome of the decomposition.
struct Subnets {
  int32_t count = 0;               // number of subnets, at least 1
  std::vector<int32_t> subnetOf;   // per transition position: its subnet, 1..count
  std::vector<int32_t> consuming;  // per place position: the subnet that only consumes from it, else 0
  std::vector<int32_t> producing;  // per place position: the subnet that only produces into it, else 0
};

// The positions of the places and transitions of `lines`.
Matrix MatrixOf(std::vector<Element> lines) {
  Matrix m;
  m.lines = std::move(lines);
  WithMemory("pl", [&] {
    m.placeOf.reserve(m.lines.size());
    for (const Element& e : m.lines) m.placeOf.push_back(m.places.Add(e.row));
  });
  WithMemory("tr", [&] {
    m.transitionOf.reserve(m.lines.size());
    for (const Element& e : m.lines) m.transitionOf.push_back(m.transitions.Add(e.col));
  });
  return m;
}

// Disjoint sets of transition positions.
struct Forest {
  std::vector<int32_t> parent;
  explicit Forest(size_t n) : parent(n) {
    for (size_t t = 0; t < n; ++t) parent[t] = static_cast<int32_t>(t);
  }
  int32_t Root(int32_t t) {
    while (parent[t] != t) t = parent[t] = parent[parent[t]];
    return t;
  }
  void Join(int32_t s, int32_t t) {
    s = Root(s);
    t = Root(t);
    if (s != t) parent[std::max(s, t)] = std::min(s, t);
  }
};

// Joins all consumers of a place into one class, and all producers of a place into one class.
void LinkTransitions(const Matrix& m, Forest& forest) {
  std::vector<int32_t> consumer;  // per place: its first consumer met, -1 while none
  std::vector<int32_t> producer;  // per place: its first producer met, -1 while none
  WithMemory("px,py,ap", [&] {
    consumer.assign(m.places.size(), -1);
    producer.assign(m.places.size(), -1);
  });
  auto link = [&](int32_t& first, int32_t t) {
    if (first < 0) first = t;
    else forest.Join(first, t);
  };
  for (size_t k = 0; k < m.lines.size(); ++k) {
    const auto p = static_cast<size_t>(m.placeOf[k]);
    if (m.lines[k].value < 0) link(consumer[p], m.transitionOf[k]);
    if (m.lines[k].value > 0) link(producer[p], m.transitionOf[k]);
  }
}

// Numbers the classes in the order of their first transitions.
void NumberSubnets(Forest& forest, Subnets& s) {
  const size_t n = forest.parent.size();
  std::vector<int32_t> numberOfRoot = WithMemory("SubNet", [&] {
    s.subnetOf.assign(n, 0);
    return std::vector<int32_t>(n, 0);
  });
  for (size_t t = 0; t < n; ++t) {
    int32_t& number = numberOfRoot[static_cast<size_t>(forest.Root(static_cast<int32_t>(t)))];
    if (number == 0) number = ++s.count;
    s.subnetOf[t] = number;
  }
  s.count = std::max(s.count, int32_t{1});
}

// A place whose consumers and producers lie in different subnets keeps both; a place of one
// subnet on both sides is internal (0, 0).
void ClassifyPlaces(const Matrix& m, Subnets& s) {
  WithMemory("SX,SY", [&] {
    s.consuming.assign(m.places.size(), 0);
    s.producing.assign(m.places.size(), 0);
  });
  for (size_t k = 0; k < m.lines.size(); ++k) {
    const auto p = static_cast<size_t>(m.placeOf[k]);
    const int32_t subnet = s.subnetOf[static_cast<size_t>(m.transitionOf[k])];
    if (m.lines[k].value < 0) s.consuming[p] = subnet;
    if (m.lines[k].value > 0) s.producing[p] = subnet;
  }
  for (size_t p = 0; p < m.places.size(); ++p)
    if (s.consuming[p] == s.producing[p]) s.consuming[p] = s.producing[p] = 0;
}

bool IsContact(const Subnets& s, size_t p) { return s.consuming[p] > 0 && s.producing[p] > 0; }

// "i j w" for every pair of subnets i < j joined by w contact places, by i, then j.
std::vector<Element> GraphOf(const Subnets& s) {
  std::vector<std::pair<int32_t, int32_t>> pairs = WithMemory("GA", [&] {
    std::vector<std::pair<int32_t, int32_t>> found;
    for (size_t p = 0; p < s.consuming.size(); ++p)
      if (IsContact(s, p))
        found.emplace_back(std::min(s.consuming[p], s.producing[p]), std::max(s.consuming[p], s.producing[p]));
    std::sort(found.begin(), found.end());
    return found;
  });
  return WithMemory("GA", [&] {
    std::vector<Element> graph;
    for (size_t k = 0; k < pairs.size();) {
      size_t end = k;
      while (end < pairs.size() && pairs[end] == pairs[k]) ++end;
      graph.push_back({pairs[k].first, pairs[k].second, static_cast<int32_t>(end - k)});
      k = end;
    }
    return graph;
  });
}

// "place consuming producing" per contact place.
std::vector<Element> ContactsOf(const Matrix& m, const Subnets& s) {
  return WithMemory("SX,SY", [&] {
    std::vector<Element> contacts;
    for (size_t p = 0; p < s.consuming.size(); ++p)
      if (IsContact(s, p)) contacts.push_back({m.places.ids[p], s.consuming[p], s.producing[p]});
    return contacts;
  });
}

// The elements of every subnet, in the order of the matrix: a stable bucket sort by subnet.
std::vector<std::vector<Element>> SubnetsOf(const Matrix& m, const Subnets& s) {
  return WithMemory("R,S,X,Y,Q", [&] {
    std::vector<size_t> start(static_cast<size_t>(s.count) + 2, 0);
    for (int32_t t : m.transitionOf) ++start[static_cast<size_t>(s.subnetOf[static_cast<size_t>(t)]) + 1];
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<std::vector<Element>> subnets(static_cast<size_t>(s.count));
    for (size_t i = 0; i < subnets.size(); ++i) subnets[i].reserve(start[i + 2] - start[i + 1]);
    for (size_t k = 0; k < m.lines.size(); ++k)
      subnets[static_cast<size_t>(s.subnetOf[static_cast<size_t>(m.transitionOf[k])]) - 1].push_back(m.lines[k]);
    return subnets;
  });
}

// The subnets of the matrix.
Subnets Classify(const Matrix& m) {
  Forest forest = WithMemory("SubNet", [&] { return Forest(m.transitions.size()); });
  LinkTransitions(m, forest);
  Subnets s;
  NumberSubnets(forest, s);
  ClassifyPlaces(m, s);
  return s;
}

}  // namespace

Decomposition DecompositionOf(const std::vector<Element>& lines) {
  const Matrix m = MatrixOf(WithMemory("a", [&] { return lines; }));
  const Subnets s = Classify(m);
  Decomposition d;
  d.count = s.count;
  d.graph = GraphOf(s);
  d.contacts = ContactsOf(m, s);
  d.subnets = SubnetsOf(m, s);
  return d;
}

}  // namespace pelorin
