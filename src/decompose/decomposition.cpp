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

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/failure.h"

namespace pelorin {
namespace {

// The matrix as the decomposition sees it. Positions count from 0 in order of first appearance.
struct Matrix {
  std::vector<Element> lines;         // every element line of M, in file order, numbers as in M
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

Matrix ReadMatrix(const std::string& name) {
  File file = OpenFile(name, "r");
  return MatrixOf(WithMemory("a", [&] { return ReadElements(file.get(), name, CommentRule::kHashOrSemicolon); }));
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
void WriteGraph(ElementSink out, const Subnets& s) {
  std::vector<std::pair<int32_t, int32_t>> pairs = WithMemory("GA", [&] {
    std::vector<std::pair<int32_t, int32_t>> found;
    for (size_t p = 0; p < s.consuming.size(); ++p)
      if (IsContact(s, p))
        found.emplace_back(std::min(s.consuming[p], s.producing[p]), std::max(s.consuming[p], s.producing[p]));
    std::sort(found.begin(), found.end());
    return found;
  });
  for (size_t k = 0; k < pairs.size();) {
    size_t end = k;
    while (end < pairs.size() && pairs[end] == pairs[k]) ++end;
    out.Put(pairs[k].first, pairs[k].second, static_cast<int32_t>(end - k));
    k = end;
  }
}

// "place consuming producing" per contact place (the count line is the caller's).
void WriteContacts(ElementSink out, const Matrix& m, const Subnets& s) {
  for (size_t p = 0; p < s.consuming.size(); ++p)
    if (IsContact(s, p)) out.Put(m.places.ids[p], s.consuming[p], s.producing[p]);
}

// The elements of every subnet, in file order: a stable bucket sort by subnet. `sink(i)` gives
// the sink of subnet i, asked for once, in increasing i.
template <class SinkOf>
void WriteSubnets(const Matrix& m, const Subnets& s, SinkOf&& sink) {
  std::vector<size_t> start(static_cast<size_t>(s.count) + 2, 0);
  std::vector<size_t> order(m.lines.size());
  for (int32_t t : m.transitionOf) ++start[static_cast<size_t>(s.subnetOf[static_cast<size_t>(t)]) + 1];
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<size_t> next = start;
  for (size_t k = 0; k < m.lines.size(); ++k)
    order[next[static_cast<size_t>(s.subnetOf[static_cast<size_t>(m.transitionOf[k])])]++] = k;
  for (int32_t i = 1; i <= s.count; ++i) {
    auto out = sink(i);
    for (size_t k = start[static_cast<size_t>(i)]; k < start[static_cast<size_t>(i) + 1]; ++k) {
      const Element& e = m.lines[order[k]];
      out.sink.Put(e.row, e.col, e.value);
    }
    out.Close();
  }
}

// The subnets of the matrix file.
Subnets Classify(const Matrix& m) {
  Forest forest = WithMemory("SubNet", [&] { return Forest(m.transitions.size()); });
  LinkTransitions(m, forest);
  Subnets s;
  NumberSubnets(forest, s);
  ClassifyPlaces(m, s);
  return s;
}

// Where the lines of one subnet go: its file (open while the lines are written) or its list.
struct SubnetOut {
  File file;
  ElementSink sink;
  std::string name;  // the file's name
  void Close() {
    if (file) CloseFile(file, name);
  }
};

}  // namespace

int DecomposeIntoFSN(const std::string& matrix) {
  const Matrix m = ReadMatrix(matrix);
  const Subnets s = Classify(m);
  {
    File graph = OpenFile(matrix + ".p", "w");
    WriteGraph(ElementSink{graph.get(), nullptr}, s);
    CloseFile(graph, matrix + ".p");
  }
  {
    File contacts = OpenFile(matrix + ".z", "w");
    std::fprintf(contacts.get(), "%d\n", s.count);
    WriteContacts(ElementSink{contacts.get(), nullptr}, m, s);
    CloseFile(contacts, matrix + ".z");
  }
  WithMemory("R,S,X,Y,Q", [&] {
    WriteSubnets(m, s, [&](int32_t i) {
      const std::string name = matrix + ".z" + std::to_string(i);
      SubnetOut out{OpenFile(name, "w"), {}, name};
      out.sink.file = out.file.get();
      return out;
    });
  });
  return s.count;
}

Decomposition DecompositionOf(const std::vector<Element>& lines) {
  const Matrix m = MatrixOf(WithMemory("a", [&] { return lines; }));
  const Subnets s = Classify(m);
  Decomposition d;
  d.count = s.count;
  WithMemory("GA", [&] { WriteGraph(ElementSink{nullptr, &d.graph}, s); });
  WithMemory("SX,SY", [&] { WriteContacts(ElementSink{nullptr, &d.contacts}, m, s); });
  WithMemory("R,S,X,Y,Q", [&] {
    d.subnets.resize(static_cast<size_t>(s.count));
    WriteSubnets(m, s, [&](int32_t i) {
      return SubnetOut{File(), ElementSink{nullptr, &d.subnets[static_cast<size_t>(i - 1)]}, {}};
    });
  });
  return d;
}

}  // namespace pelorin
