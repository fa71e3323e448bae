// Collapse of the graph of subnets: sequence files byte for byte, failures, the draw, and the
// fast collapse against the plain array with its selection sort on random graphs.
#include "compose/collapse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

struct Collapsed {
  int steps;
  std::string sequence;
};

Collapsed Collapse(int strategy, const std::string& graph) {
  TempDir dir;
  WriteFile(dir / "g.p", graph);
  const int steps = CollapseOfGraph(static_cast<CollapseStrategy>(strategy), dir / "g.p", dir / "g.t");
  return {steps, ReadFile(dir / "g.t")};
}

TEST(CollapseOfGraph, WritesOneLinePerStep) {
  struct Case {
    int strategy;
    std::string graph;
    std::string sequence;
  };
  const Case cases[] = {
      {'m', "", ""},
      {'f', ";only\n;comments\n\n", ""},
      {'m', "2 1 5\n", "1 2\n"},
      {'f', "1 2 2\n2 3 1\n1 3 1\n", "1 2\n1 3\n"},  // (2,3) becomes (1,3) and is combined
      {'m', "1 2 2\n2 3 1\n1 3 1\n", "1 2\n1 3\n"},
      {'f', "1 2 1\n3 4 1\n", "1 2\n3 4\n"},         // components collapse separately
      {'i', "1 2 3\n2 3 1\n", "2 3\n1 2\n"},
      {'f', ";a\n1 2 -1\n;b\n\n3 4 0\n5 6 2\n", "5 6\n3 4\n1 2\n"},
      {'i', "1 2 -1\n3 4 0\n5 6 2\n", "1 2\n3 4\n5 6\n"},
      {'f', "1 2 2\n3 4 2\n5 6 3\n", "5 6\n3 4\n1 2\n"},  // the sort is not stable
      {'x', "1 2 2\n3 4 2\n5 6 3\n", "5 6\n3 4\n1 2\n"},
      {'f', "1 2 5\n3 2\n4 1\n1 3\n", "1 2\n1 3\n1 4\n"},  // two numbers: weight 1
  };
  for (const Case& c : cases) {
    const Collapsed got = Collapse(c.strategy, c.graph);
    EXPECT_EQ(got.sequence, c.sequence) << char(c.strategy) << " on " << c.graph;
    EXPECT_EQ(got.steps, static_cast<int>(std::count(c.sequence.begin(), c.sequence.end(), '\n')));
  }
}

TEST(CollapseOfGraph, RejectsFaultyGraphsAfterCreatingTheSequence) {
  struct Case {
    std::string graph;
    std::string message;
    int code;
  };
  TempDir dir;
  const Case cases[] = {
      {"1 2\n3 3 1\n", "*** error input file: loop 3 3\n", 2},
      {"1 2 1\n;c\n2 1 4\n", "*** error input file: duplicated arcs 2 1\n", 2},
      {"4 1\n1 4\n", "*** error input file: duplicated arcs 1 4\n", 2},
      {"1 2\n\n7\n", "*** malformed line 3 in file " + (dir / "g.p") + "\n", 4},
  };
  for (const Case& c : cases) {
    WriteFile(dir / "g.p", c.graph);
    WriteFile(dir / "g.t", "old\n");
    ExpectFail(c.code, c.message, [&] { CollapseOfGraph(CollapseStrategy::kFirst, dir / "g.p", dir / "g.t"); });
    EXPECT_EQ(ReadFile(dir / "g.t"), "");
  }
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n",
             [&] { CollapseOfGraph(CollapseStrategy::kFirst, dir / "none", dir / "g.t"); });
  const Failure output = ExpectFailure([&] { CollapseOfGraph(CollapseStrategy::kFirst, dir / "g.p", dir / "no/g.t"); });
  EXPECT_EQ(output.message, "*** error open file " + (dir / "no/g.t") + "\n");
}

TEST(CollapseOfGraph, DrawsAndChoices) {
  CollapseRandom random;
  for (int expected : {16838, 5758, 10113, 17515}) EXPECT_EQ(random.Next(), expected);

  EXPECT_EQ(DrawnIndex(3, 16384), 0u);
  EXPECT_EQ(DrawnIndex(3, 22000), 1u);
  EXPECT_EQ(DrawnIndex(3, 32767), 2u);
  EXPECT_EQ(DrawnIndex(2, 32766), 0u);
  EXPECT_EQ(DrawnIndex(2, 32767), 1u);
  EXPECT_EQ(DrawnIndex(1, 0), 0u);
  EXPECT_EQ(DrawnIndex(100000, 32767), 99999u);

  // "m" and "r" draw once per step, also among a single heaviest arc; "f" and "i" never draw;
  // every collapse starts the generator anew
  for (int strategy : {'m', 'r', 'f', 'i'}) {
    CollapseRandom random;
    CollapseSequenceOf(static_cast<CollapseStrategy>(strategy), {{1, 2, 3}, {2, 3, 1}, {4, 5, 2}}, random);
    const bool draws = strategy == 'm' || strategy == 'r';
    EXPECT_EQ(random.Next(), draws ? 17515 : 16838) << char(strategy);
    EXPECT_EQ(Collapse(strategy, "1 2 3\n2 3 1\n4 5 2\n").sequence, Collapse(strategy, "1 2 3\n2 3 1\n4 5 2\n").sequence);
  }
}

// The collapse as plain array operations: selection sort, shifting removal, combination.
struct PlainArc {
  int lo, hi, weight;
};

std::string PlainCollapse(int strategy, std::vector<PlainArc> e) {
  uint32_t state = 1;
  std::string sequence;
  while (!e.empty()) {
    const size_t n = e.size();
    for (size_t i = 0; i + 1 < n; ++i) {
      size_t j = i;
      for (size_t k = i + 1; k < n; ++k)
        if (e[k].weight > e[j].weight) j = k;
      std::swap(e[i], e[j]);
    }
    int c = 0;
    if (strategy == 'i') c = static_cast<int>(n) - 1;
    if (strategy == 'm' || strategy == 'r') {
      int k = 1;
      while (strategy == 'm' && k < static_cast<int>(n) && e[k].weight == e[0].weight) ++k;
      if (strategy == 'r') k = static_cast<int>(n);
      state = state * 1103515245u + 12345u;
      const int r = static_cast<int>((state / 65536u) % 32768u);
      c = std::clamp(static_cast<int>(k * static_cast<double>(r) / 32767.0) - 1, 0, k - 1);
    }
    const int a = e[c].lo, b = e[c].hi;
    sequence += std::to_string(a) + " " + std::to_string(b) + "\n";
    e.erase(e.begin() + c);
    for (PlainArc& arc : e) {
      if (arc.lo == b) arc = {std::min(a, arc.hi), std::max(a, arc.hi), arc.weight};
      else if (arc.hi == b) arc = {std::min(a, arc.lo), std::max(a, arc.lo), arc.weight};
    }
    for (size_t i = 0; i < e.size(); ++i)
      for (size_t j = i + 1; j < e.size();)
        if (e[j].lo == e[i].lo && e[j].hi == e[i].hi) {
          e[i].weight += e[j].weight;
          e.erase(e.begin() + static_cast<long>(j));
        } else {
          ++j;
        }
  }
  return sequence;
}

// A random simple graph on scattered subnet numbers, with many equal weights, some 0 and
// negative ones, both orders of the numbers, comments and lines without a weight.
std::string RandomGraph(std::mt19937& random, std::vector<PlainArc>& arcs, int& components) {
  const int vertices = std::uniform_int_distribution<int>(2, 40)(random);
  std::vector<int> numbers(static_cast<size_t>(vertices * 3));
  std::iota(numbers.begin(), numbers.end(), 1);
  std::shuffle(numbers.begin(), numbers.end(), random);
  numbers.resize(static_cast<size_t>(vertices));
  const int maxArcs = vertices * (vertices - 1) / 2;
  const int wanted = std::uniform_int_distribution<int>(0, std::min(maxArcs, 3 * vertices))(random);
  std::uniform_int_distribution<size_t> pick(0, numbers.size() - 1);
  std::uniform_int_distribution<int> weight(-1, 3);
  std::set<std::pair<int, int>> seen;
  std::map<int, int> root;
  auto find = [&](int v) { while (root[v] != v) v = root[v]; return v; };
  std::string text = ";random graph\n";
  while (static_cast<int>(arcs.size()) < wanted) {
    const int u = numbers[pick(random)], v = numbers[pick(random)];
    if (u == v || !seen.insert({std::min(u, v), std::max(u, v)}).second) continue;
    const int w = random() % 3 == 0 ? 1 : weight(random);
    arcs.push_back({std::min(u, v), std::max(u, v), w});
    text += std::to_string(u) + " " + std::to_string(v);
    text += w == 1 && random() % 2 == 0 ? "\n" : " " + std::to_string(w) + "\n";
    if (random() % 8 == 0) text += ";comment\n";
    for (int x : {u, v}) root.try_emplace(x, x);
    root[find(u)] = find(v);
  }
  components = 0;
  for (const auto& [v, r] : root) components += v == r ? 1 : 0;
  return text;
}

TEST(CollapseOfGraph, MatchesThePlainArrayOnRandomGraphs) {
  std::mt19937 random(20240617);
  for (int round = 0; round < 300; ++round) {
    std::vector<PlainArc> arcs;
    int components = 0;
    const std::string graph = RandomGraph(random, arcs, components);
    std::set<int> vertices;
    for (const PlainArc& arc : arcs) vertices.insert({arc.lo, arc.hi});
    for (int strategy : {'f', 'i', 'm', 'r', 'q'}) {
      const Collapsed got = Collapse(strategy, graph);
      ASSERT_EQ(got.sequence, PlainCollapse(strategy, arcs)) << char(strategy) << " on\n" << graph;
      ASSERT_EQ(got.steps, static_cast<int>(vertices.size()) - components);
    }
  }
}

}  // namespace
}  // namespace pelorin
