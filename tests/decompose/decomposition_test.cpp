// Decomposition into minimal functional subnets: files compared byte for byte, and a property
// test against a literal round-by-round growth of the subnets.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/randommatrix.h"
#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// Everything the decomposition writes for a matrix file M.
struct Output {
  int subnets = 0;
  std::string z;                   // M.z
  std::string p;                   // M.p
  std::vector<std::string> files;  // M.z1 .. M.zK
  bool operator==(const Output&) const = default;
};

Output Decompose(const TempDir& dir, const std::string& matrix) {
  const std::string m = dir / "m.spm";
  WriteFile(m, matrix);
  Output out;
  out.subnets = DecomposeIntoFSN(m);
  out.z = ReadFile(m + ".z");
  out.p = ReadFile(m + ".p");
  for (int i = 1; i <= out.subnets; ++i) out.files.push_back(ReadFile(m + ".z" + std::to_string(i)));
  EXPECT_FALSE(test::Exists(m + ".z" + std::to_string(out.subnets + 1)));
  return out;
}

TEST(DecomposeIntoFSN, ChainOfThreeTransitions) {
  TempDir dir;
  const Output out = Decompose(dir, "1 1 1\n1 2 -1\n2 2 1\n2 3 -1\n");
  EXPECT_EQ(out, (Output{3, "3\n1 2 1\n2 3 2\n", "1 2 1\n2 3 1\n", {"1 1 1\n", "1 2 -1\n2 2 1\n", "2 3 -1\n"}}));
}

TEST(DecomposeIntoFSN, TwoTransitionsInARow) {
  TempDir dir;
  const Output out = Decompose(dir, "1 1 -1\n2 1 1\n2 2 -1\n3 2 1\n");
  EXPECT_EQ(out, (Output{2, "2\n2 2 1\n", "1 2 1\n", {"1 1 -1\n2 1 1\n", "2 2 -1\n3 2 1\n"}}));
}

TEST(DecomposeIntoFSN, LinkedTransitionsFormOneSubnet) {
  TempDir dir;
  // t1 and t2 consume from place 1, t2 and t3 produce into place 2, t3 loops on place 3, place 4
  // is a sink of t1.
  const std::string m = "1 1 -1\n1 2 -1\n2 2 1\n2 3 1\n3 3 -1\n3 3 1\n4 1 1\n";
  EXPECT_EQ(Decompose(dir, m), (Output{1, "1\n", "", {m}}));
}

TEST(DecomposeIntoFSN, SubnetsAreNumberedByFirstAppearance) {
  TempDir dir;
  // Transitions 7 and 5 share place 3; transition 2 feeds place 1, which 7 consumes.
  const Output out = Decompose(dir, "3 7 -1\n1 2 1\n3 5 -1\n1 7 -1\n");
  EXPECT_EQ(out, (Output{2, "2\n1 1 2\n", "1 2 1\n", {"3 7 -1\n3 5 -1\n1 7 -1\n", "1 2 1\n"}}));
}

TEST(DecomposeIntoFSN, TransitionWithOnlyZeroEntriesStandsAlone) {
  TempDir dir;
  const Output out = Decompose(dir, "1 1 -1\n1 2 0\n2 2 0\n1 3 -1\n");
  EXPECT_EQ(out, (Output{2, "2\n", "", {"1 1 -1\n1 3 -1\n", "1 2 0\n2 2 0\n"}}));
}

TEST(DecomposeIntoFSN, PlacesOfOneSignAreNoContactPlaces) {
  TempDir dir;
  // Place 1 is only produced, place 3 only consumed; place 2 joins the two subnets.
  const Output out = Decompose(dir, "1 1 1\n2 1 -1\n2 2 1\n3 2 -1\n");
  EXPECT_EQ(out, (Output{2, "2\n2 1 2\n", "1 2 1\n", {"1 1 1\n2 1 -1\n", "2 2 1\n3 2 -1\n"}}));
}

TEST(DecomposeIntoFSN, ContactPlacesInOppositeDirectionsWeighTwo) {
  TempDir dir;
  const Output out = Decompose(dir, "1 1 -1\n2 1 1\n2 2 -1\n1 2 1\n");
  EXPECT_EQ(out, (Output{2, "2\n1 1 2\n2 2 1\n", "1 2 2\n", {"1 1 -1\n2 1 1\n", "2 2 -1\n1 2 1\n"}}));
}

TEST(DecomposeIntoFSN, CommentsAndBlankLinesAreSkippedAndPairsMeanOne) {
  TempDir dir;
  const Output out = Decompose(dir, "# net\n; more\n\n5 3\n \t\n6 3 -2\n;5 4 1\n#6 4 1");
  EXPECT_EQ(out, (Output{1, "1\n", "", {"5 3 1\n6 3 -2\n"}}));
}

TEST(DecomposeIntoFSN, EmptyMatrixIsOneEmptySubnet) {
  TempDir dir;
  EXPECT_EQ(Decompose(dir, ""), (Output{1, "1\n", "", {""}}));
  EXPECT_EQ(Decompose(dir, "# nothing\n\n"), (Output{1, "1\n", "", {""}}));
}

TEST(DecomposeIntoFSN, Failures) {
  TempDir dir;
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n", [&] { DecomposeIntoFSN(dir / "none"); });

  WriteFile(dir / "bad", "1 1 -1\n  # indented comment\n");
  ExpectFail(4, "*** malformed line 2 in file " + (dir / "bad") + "\n", [&] { DecomposeIntoFSN(dir / "bad"); });

  WriteFile(dir / "big", "1 1 4294967296\n");
  ExpectFail(5, "*** integer overflow\n", [&] { DecomposeIntoFSN(dir / "big"); });
}

// The decomposition grown round by round: each subnet from its first transition, places looked
// up by linear search. Kept literal, not fast.
Output Reference(const std::vector<Element>& elements) {
  std::vector<int> pl{0}, tr{0};  // index 0 unused
  auto index = [](std::vector<int>& list, int number) {
    for (size_t i = 1; i < list.size(); ++i)
      if (list[i] == number) return static_cast<int>(i);
    list.push_back(number);
    return static_cast<int>(list.size() - 1);
  };
  struct A {
    int p, t, v;
  };
  std::vector<A> a;
  for (const Element& e : elements) {
    const int p = index(pl, e.row);
    a.push_back({p, index(tr, e.col), e.value});
  }
  const int m = static_cast<int>(pl.size()) - 1, n = static_cast<int>(tr.size()) - 1;
  std::vector<std::vector<int>> inputs(n + 1), outputs(n + 1);  // places of each transition
  for (const A& e : a) {
    if (e.v < 0) inputs[e.t].push_back(e.p);
    if (e.v > 0) outputs[e.t].push_back(e.p);
  }
  auto among = [](const std::vector<int>& list, int p) {
    for (int q : list)
      if (q == p) return true;
    return false;
  };
  auto consumes = [&](int t, int p) { return among(inputs[t], p); };
  auto produces = [&](int t, int p) { return among(outputs[t], p); };
  std::vector<int> subNet(n + 1, 0), sx(m + 1, 0), sy(m + 1, 0);
  int nsub = 1;
  std::vector<int> r;
  if (n > 0) r = {1}, subNet[1] = 1;
  while (!r.empty()) {
    std::vector<int> x, y, q, s;
    for (int p = 1; p <= m; ++p) {
      bool consumed = false, produced = false;
      for (int t : r) consumed = consumed || consumes(t, p), produced = produced || produces(t, p);
      if (consumed && produced) q.push_back(p), sx[p] = sy[p] = 0;
      else if (consumed) x.push_back(p), sx[p] = nsub;
      else if (produced) y.push_back(p), sy[p] = nsub;
    }
    auto add = [&](int t) {
      for (int u : r)
        if (u == t) return;
      for (int u : s)
        if (u == t) return;
      s.push_back(t);
    };
    for (int p : x)
      for (int t = 1; t <= n; ++t)
        if (consumes(t, p)) add(t);
    for (int p : y)
      for (int t = 1; t <= n; ++t)
        if (produces(t, p)) add(t);
    for (int p : q) {
      for (int t = 1; t <= n; ++t)
        if (produces(t, p)) add(t);
      for (int t = 1; t <= n; ++t)
        if (consumes(t, p)) add(t);
    }
    for (int t : s) r.push_back(t), subNet[t] = nsub;
    if (!s.empty()) continue;
    r.clear();
    for (int t = 1; t <= n && r.empty(); ++t)
      if (subNet[t] == 0) r = {t}, subNet[t] = ++nsub;
  }
  Output out;
  out.subnets = nsub;
  for (int i = 1; i <= nsub; ++i) {
    std::vector<int> ga(nsub + 1, 0);
    for (int p = 1; p <= m; ++p)
      if (sx[p] == i && sy[p] > i) ++ga[sy[p]];
    for (int p = 1; p <= m; ++p)
      if (sy[p] == i && sx[p] > i) ++ga[sx[p]];
    for (int j = 1; j <= nsub; ++j)
      if (ga[j] != 0) out.p += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(ga[j]) + "\n";
  }
  out.z = std::to_string(nsub) + "\n";
  for (int p = 1; p <= m; ++p)
    if (sx[p] > 0 && sy[p] > 0)
      out.z += std::to_string(pl[p]) + " " + std::to_string(sx[p]) + " " + std::to_string(sy[p]) + "\n";
  for (int i = 1; i <= nsub; ++i) {
    std::string file;
    for (const A& e : a)
      if (subNet[e.t] == i)
        file += std::to_string(pl[e.p]) + " " + std::to_string(tr[e.t]) + " " + std::to_string(e.v) + "\n";
    out.files.push_back(file);
  }
  return out;
}

TEST(DecomposeIntoFSN, AgreesWithRoundByRoundGrowthOnRandomMatrices) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    // scattered place and transition numbers, with comment and blank lines and lines of two
    // integers for the value 1
    std::mt19937 random(seed);
    const std::vector<Element> elements = test::RandomMatrix(random, {30, 7, 3, 0});
    const std::string text = test::NoisyMatrixText(elements, random, {"# comment\n", ";\n"});
    TempDir dir;
    EXPECT_EQ(Decompose(dir, text), Reference(elements)) << "seed " << seed << "\n" << text;
  }
}

TEST(DecomposeIntoFSN, ManyNumbersAgreeWithRoundByRoundGrowth) {
  // A ring of 1500 transitions, each feeding the next one's place, with a shared place for every
  // tenth pair: more than 1024 distinct numbers of each kind.
  std::vector<Element> elements;
  std::string text;
  for (int t = 1; t <= 1500; ++t) {
    elements.push_back({t, t, -1});
    elements.push_back({t % 1500 + 1, t, 1});
    if (t % 10 == 0) elements.push_back({2000 + t, t, -1}), elements.push_back({2000 + t, t - 1, -1});
  }
  for (const Element& e : elements)
    text += std::to_string(e.row) + " " + std::to_string(e.col) + " " + std::to_string(e.value) + "\n";
  TempDir dir;
  const Output out = Decompose(dir, text);
  EXPECT_EQ(out.subnets, 1350);
  EXPECT_EQ(out, Reference(elements));
}

}  // namespace
}  // namespace pelorin
