// Minimal-support semiflows: the solver on small systems at the edges (empty, zero rows,
// single-sign equations, widening beyond 64 and 128 bits), on random systems in two orders of
// the variables, its cone limit, the flat store of the rays, the adjacency index against a plain
// search, the reduction to minimal supports, the canonical order and the file stages byte by
// byte.
#include "solver/dd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "matrix/failure.h"
#include "solver/ddtree.h"
#include "solver/raystore.h"
#include "solver/toudic.h"
#include "support/solverfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// The canonical order, plainly: entries by number, then the semiflows by their sequences of
// numbers (a prefix first), then by their coefficients.
template <class C>
void SortCanonical(std::vector<SemiflowOf<C>>& semiflows) {
  for (SemiflowOf<C>& s : semiflows) std::sort(s.begin(), s.end());
  auto numbers = [](const SemiflowOf<C>& s) {
    std::vector<int32_t> n;
    for (const auto& entry : s) n.push_back(entry.first);
    return n;
  };
  std::sort(semiflows.begin(), semiflows.end(), [&](const SemiflowOf<C>& a, const SemiflowOf<C>& b) {
    const std::vector<int32_t> na = numbers(a), nb = numbers(b);
    return na != nb ? na < nb : a < b;
  });
}

// The rays in canonical order, as "v:c v:c|v:c ..." for short comparisons.
std::string Show(std::vector<Semiflow> rays) {
  SortCanonical(rays);
  std::string text;
  for (const Semiflow& s : rays) {
    if (!text.empty()) text += "|";
    for (size_t k = 0; k < s.size(); ++k) text += (k ? " " : "") + std::to_string(s[k].first) + ":" + s[k].second.get_str();
  }
  return text;
}

// The same semiflows as a flat set, and back.
template <class C>
SemiflowSet<C> SetOf(const std::vector<SemiflowOf<C>>& semiflows) {
  SemiflowSet<C> set;
  for (const SemiflowOf<C>& s : semiflows) {
    set.entries.insert(set.entries.end(), s.begin(), s.end());
    set.Close();
  }
  return set;
}
template <class C>
std::vector<SemiflowOf<C>> VectorsOf(const SemiflowSet<C>& set) {
  std::vector<SemiflowOf<C>> semiflows;
  for (size_t i = 0; i < set.size(); ++i) semiflows.emplace_back(set[i].begin(), set[i].end());
  return semiflows;
}

SparseSystem System(size_t equations, std::vector<std::vector<std::pair<int32_t, int64_t>>> rows) {
  return SparseSystem{equations, std::move(rows)};
}

// The solver on the system itself alone, for the tests of its steps.
constexpr ConeLimit kSystemOnly{SIZE_MAX, SIZE_MAX, nullptr, kSystemForm};

TEST(ExtremeRays, SmallSystemsAtTheEdges) {
  EXPECT_EQ(Show(ExtremeRays(System(0, {}))), "");
  // two places in a cycle of two transitions
  EXPECT_EQ(Show(ExtremeRays(System(2, {{{0, -1}, {1, 1}}, {{0, 1}, {1, -1}}}))), "0:1 1:1");
  // weights: y0 - 2*y1 = 0 gives (2, 1)
  EXPECT_EQ(Show(ExtremeRays(System(1, {{{0, 1}}, {{0, -2}}}))), "0:2 1:1");
  // a variable with a zero row is a solution of its own; others containing it are not minimal
  EXPECT_EQ(Show(ExtremeRays(System(1, {{}, {{0, 1}}, {{0, -1}}}))), "0:1|1:1 2:1");
  // a single-sign equation: its rows take part in no solution
  EXPECT_EQ(Show(ExtremeRays(System(2, {{{0, 1}, {1, -1}}, {{1, 1}}}))), "");
  // three positive rows against one negative: three rays, none formed from two positives
  EXPECT_EQ(Show(ExtremeRays(System(1, {{{0, 1}}, {{0, 2}}, {{0, 3}}, {{0, -6}}}))), "0:6 3:1|1:3 3:1|2:2 3:1");
}

TEST(ExtremeRays, CombinationWithAThirdSupportInsideIsNotFormed) {
  // y0 + y1 - y2 - y3 = 0, y0 - y2 = 0, y1 - y3 = 0: after equation 0 the cone has the four
  // rays of supports {0,2} {0,3} {1,2} {1,3}; only {0,2} and {1,3} are left at the end, and no
  // ray with a larger support (such as {0,1,2,3}) is ever formed.
  const SparseSystem s = System(3, {{{0, 1}, {1, 1}}, {{0, 1}, {2, 1}}, {{0, -1}, {1, -1}}, {{0, -1}, {2, -1}}});
  EXPECT_EQ(Show(ExtremeRays(s)), "0:1 2:1|1:1 3:1");
}

TEST(ExtremeRays, LargeStepsSearchTheTree) {
  // Equations 2 and 3 join rows 82, 83 and rows 84, 85 (two rays, and a count bound of 5 later).
  // Equation 0 sets rows 0..19 against rows 20..39: 400 rays {i, j}. Equation 1 then sets the
  // rays {0, j} (j != 20) and rows 40..60 against the rays {i, 20} (i != 0) and rows 61..81:
  // 1600 pairs, of which the 361 pairs {0, j} + {i, 20} hold the ray {i, j} and are not
  // adjacent; the other pairs give 441 + 399 + 399 rays besides the 362 that stay.
  // (The weights differ from row to row: no two rows are equal, so none are parallel.)
  std::vector<std::vector<std::pair<int32_t, int64_t>>> rows(86);
  for (int64_t i = 0; i < 40; ++i) rows[static_cast<size_t>(i)].emplace_back(0, i < 20 ? i + 1 : 19 - i);
  rows[0].emplace_back(1, 1);
  rows[20].emplace_back(1, -1);
  for (int64_t i = 40; i < 82; ++i) rows[static_cast<size_t>(i)].emplace_back(1, i <= 60 ? i - 39 : 60 - i);
  for (size_t i = 82; i < 86; ++i) rows[i].emplace_back(i < 84 ? 2 : 3, i % 2 == 0 ? 1 : -1);
  const std::vector<Semiflow> rays = ExtremeRays(System(4, rows), kSystemOnly);
  EXPECT_EQ(rays.size(), 2u + 362u + 441u + 399u + 399u);
  for (const Semiflow& s : rays) EXPECT_LE(s.size(), 3u) << Show({s});
}

// A random sparse system shaped like an incidence matrix: every variable in one to three
// equations with weights -3..3.
SparseSystem RandomSystem(std::mt19937& random, size_t variables, size_t equations) {
  std::vector<std::vector<std::pair<int32_t, int64_t>>> rows(variables);
  for (auto& row : rows) {
    std::map<int32_t, int64_t> cells;
    for (size_t k = 0, n = 1 + random() % 3; k < n; ++k)
      cells[static_cast<int32_t>(random() % equations)] = static_cast<int64_t>(random() % 3 + 1) * (random() % 2 ? 1 : -1);
    row.assign(cells.begin(), cells.end());
  }
  return System(equations, rows);
}

// Runs `check` on 40 random systems of 6 to 13 equations and twice as many variables or up to
// 9 more, each under a trace naming its round.
void ForEachRandomSystem(uint32_t seed, const std::function<void(const SparseSystem&)>& check) {
  std::mt19937 random(seed);
  for (int round = 0; round < 40; ++round) {
    const size_t equations = 6 + random() % 8, variables = 2 * equations + random() % 10;
    SCOPED_TRACE("round " + std::to_string(round));
    check(RandomSystem(random, variables, equations));
  }
}

// Rays that are semiflows of `s` (at most 64 variables) with positive coefficients of gcd 1, no
// support inside another.
void ExpectMinimalSemiflows(const SparseSystem& s, const std::vector<Semiflow>& rays) {
  std::vector<uint64_t> supports;
  for (const Semiflow& r : rays) {
    std::vector<mpz_class> sum(s.equations);
    mpz_class g = 0;
    uint64_t support = 0;
    for (const auto& [v, y] : r) {
      ASSERT_GT(y, 0);
      g = gcd(g, y);
      support |= uint64_t{1} << v;
      for (const auto& [c, a] : s.rows[static_cast<size_t>(v)]) sum[static_cast<size_t>(c)] += y * mpz_class(static_cast<long>(a));
    }
    EXPECT_EQ(g, 1) << Show({r});
    for (const mpz_class& x : sum) ASSERT_EQ(x, 0) << Show({r});
    supports.push_back(support);
  }
  for (size_t i = 0; i < supports.size(); ++i)
    for (size_t j = 0; j < supports.size(); ++j)
      ASSERT_TRUE(i == j || (supports[i] & ~supports[j]) != 0) << Show({rays[i]}) << " inside " << Show({rays[j]});
}

TEST(ExtremeRays, RandomSystemsGiveTheSameMinimalSemiflowsInAnyOrderOfVariables) {
  // Small steps search the key lists, large ones the tree with the union counts (cones of up to
  // a few thousand rays); the variables reversed give other ray ids, keys and witnesses, not
  // another result. (A large step on the key lists needs a large cone: see the next test.)
  ForEachRandomSystem(12, [](const SparseSystem& s) {
    const size_t variables = s.rows.size();
    const std::vector<Semiflow> rays = ExtremeRays(s);
    ExpectMinimalSemiflows(s, rays);
    SparseSystem reversed = s;
    std::reverse(reversed.rows.begin(), reversed.rows.end());
    std::vector<Semiflow> back = ExtremeRays(reversed);
    for (Semiflow& r : back)
      for (auto& entry : r) entry.first = static_cast<int32_t>(variables - 1) - entry.first;
    EXPECT_EQ(Show(back), Show(rays));
  });
}

TEST(ExtremeRays, EachFormAloneGivesTheSameRays) {
  // The system itself and its two lattice forms, each alone: the rays of all side by side.
  ForEachRandomSystem(31, [](const SparseSystem& s) {
    const std::string all = Show(ExtremeRays(s));
    for (const unsigned form : {kSystemForm, kFirstFreeForm, kLastFreeForm})
      EXPECT_EQ(Show(ExtremeRays(s, {SIZE_MAX, SIZE_MAX, nullptr, form})), all) << "form " << form;
  });
}

TEST(ExtremeRays, LatticeFormsStaySmallWhereTheSystemBlowsUp) {
  // The T-semiflows of nets of 12 places where 70 transitions take two tokens from a place and
  // put one into another, and 4 pairs of transitions move one token back and forth between
  // places 2k and 2k + 1 (no other cycle, so each pair is a semiflow and no more). A lossy
  // transition lies in no semiflow (it lowers the sum of all markings), but no place alone shows
  // it: eliminating the places one by one, the system itself builds a cone of more than a
  // hundred thousand rays before the last places cut it down to the 4 pairs. In the lattice of
  // flows the cone stays below ten thousand.
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<std::vector<std::pair<int32_t, int64_t>>> rows;
    std::vector<Semiflow> pairs;
    auto transition = [&](int32_t from, int32_t to, int64_t take) {
      rows.push_back(from < to ? decltype(rows)::value_type{{from, -take}, {to, 1}} : decltype(rows)::value_type{{to, 1}, {from, -take}});
    };
    for (int t = 0; t < 74; ++t) {
      const auto from = static_cast<int32_t>(random() % 12);
      const auto to = static_cast<int32_t>((static_cast<uint32_t>(from) + 1 + random() % 11) % 12);
      if (t % 18 != 17) {
        transition(from, to, 2);
        continue;
      }
      const auto k = static_cast<int32_t>(pairs.size());
      pairs.push_back({{static_cast<int32_t>(rows.size()), 1}, {static_cast<int32_t>(rows.size() + 1), 1}});
      transition(2 * k, 2 * k + 1, 1);
      transition(2 * k + 1, 2 * k, 1);
    }
    const SparseSystem s = System(12, rows);
    EXPECT_THROW(ExtremeRays(s, {20000, SIZE_MAX, nullptr, kSystemForm}), ConeLimitExceeded);
    EXPECT_EQ(Show(ExtremeRays(s, {20000})), Show(pairs));
  }
}

TEST(ExtremeRays, LargeStepsAmongManyIdleRaysSearchTheKeyListsAndAgree) {
  // Rays that take part in no step of the system still count in the cone: with 900 of them the
  // large steps of a random system are cheaper on the key lists than on a tree, and the union of
  // two supports is counted on bit sets there. The idle rays come from 30 equations of their own,
  // each with 30 variables of weights 1..30 against one of weight -1 (first eliminated: their
  // products are the smallest); the result is the system's rays plus {i: 1, base: i}.
  ForEachRandomSystem(29, [](const SparseSystem& s) {
    SparseSystem idle = s;
    std::vector<Semiflow> expected = ExtremeRays(s);
    for (int32_t k = 0; k < 30; ++k) {
      const auto equation = static_cast<int32_t>(idle.equations++);
      const auto base = static_cast<int32_t>(idle.rows.size());
      idle.rows.push_back({{equation, -1}});
      for (int32_t i = 1; i <= 30; ++i) {
        expected.push_back({{static_cast<int32_t>(idle.rows.size()), 1}, {base, i}});
        idle.rows.push_back({{equation, i}});
      }
    }
    EXPECT_EQ(Show(ExtremeRays(idle, kSystemOnly)), Show(expected));
  });
}

// Minimal-support semiflows of a system through Toudic's generating set, an independent way.
std::vector<Semiflow> ThroughToudic(const SparseSystem& s) {
  std::vector<Element> matrix;
  for (size_t v = 0; v < s.rows.size(); ++v)
    for (const auto& [c, a] : s.rows[v]) matrix.push_back({static_cast<int32_t>(v + 1), c + 1, static_cast<int32_t>(a)});
  VectorsOfLines<mpz_class> lines;
  for (const Element& e : GeneratingSetOf(matrix)) lines.Add(e.row, e.col - 1, e.value);
  std::vector<Semiflow> basis = lines.Take();
  for (size_t v = 0; v < s.rows.size(); ++v)
    if (s.rows[v].empty()) basis.push_back({{static_cast<int32_t>(v), 1}});
  return MinimalSupportMembers(std::move(basis));
}

TEST(ExtremeRays, ParallelVariablesAreSolvedOnceAndEveryChoiceIsARay) {
  // Random systems (small: Toudic's sets grow fast) with rows repeated once or twice, three
  // empty rows and a row doubled (a multiple, not parallel): every choice of one variable per
  // class of equal rows is a ray.
  std::mt19937 random(53);
  for (int round = 0; round < 40; ++round) {
    const size_t equations = 5 + random() % 7, variables = 2 * equations + random() % 5;
    SCOPED_TRACE("round " + std::to_string(round));
    const SparseSystem s = RandomSystem(random, variables, equations);
    SparseSystem parallel = s;
    for (size_t v = 0; v < s.rows.size(); ++v)
      for (size_t copies = random() % 5 == 0 ? 1 + random() % 2 : 0; copies > 0; --copies) parallel.rows.push_back(s.rows[v]);
    parallel.rows.resize(parallel.rows.size() + 3);
    parallel.rows.push_back(s.rows[0]);
    for (auto& entry : parallel.rows.back()) entry.second *= 2;
    std::shuffle(parallel.rows.begin(), parallel.rows.end(), random);
    const std::vector<Semiflow> rays = ExtremeRays(parallel);
    EXPECT_EQ(Show(rays), Show(ThroughToudic(parallel)));
    ExpectMinimalSemiflows(parallel, rays);
  }
}

TEST(ExpandParallel, CountsTheChoicesBeforeMakingThem) {
  // 70 classes of two variables: one ray over all of them has 2^70 choices.
  ParallelClasses classes;
  Semiflow64 ray;
  for (int32_t c = 0; c < 70; ++c) {
    classes.members.push_back({2 * c, 2 * c + 1});
    ray.emplace_back(c, 1);
  }
  EXPECT_THROW(ExpandParallel(SetOf(std::vector<Semiflow64>{ray}), classes, {1000}), ConeLimitExceeded);
  ExpectFail(kExitMemory,
             "*** not enough memory for rays: 1180591620717411303424 minimal semiflows; --classes writes them "
             "compactly\n",
             [&] { ExpandParallel(SetOf(std::vector<Semiflow64>{ray}), classes, {}); });
  // Two classes of 2 and 3: six rays, variables in increasing order, coefficients kept.
  classes.members = {{4, 0}, {1, 2, 5}};
  const SemiflowSet<int64_t> ray37 = SetOf(std::vector<Semiflow64>{{{0, 3}, {1, 7}}});
  const std::vector<Semiflow64> six = VectorsOf(ExpandParallel(ray37, classes, {6, 12}));
  std::vector<Semiflow> wide;
  for (const Semiflow64& r : six) {
    EXPECT_TRUE(std::is_sorted(r.begin(), r.end()));
    wide.emplace_back(r.begin(), r.end());
  }
  EXPECT_EQ(Show(wide), "0:3 1:7|0:3 2:7|0:3 5:7|1:7 4:3|2:7 4:3|4:3 5:7");
  EXPECT_THROW(ExpandParallel(ray37, classes, {5}), ConeLimitExceeded);
  EXPECT_THROW(ExpandParallel(ray37, classes, {6, 11}), ConeLimitExceeded);
}

TEST(ExtremeRays, ConeLimitStopsTheSolve) {
  // Equation 0 sets 10 rows against 10 (weights 1..10 and -1..-10, no two rows equal): the cone
  // grows from 20 rays of 2 entries (a variable and the equation) to 100 rays of 2 entries (two
  // variables).
  std::vector<std::vector<std::pair<int32_t, int64_t>>> rows(20);
  for (int64_t i = 0; i < 20; ++i) rows[static_cast<size_t>(i)].emplace_back(0, i < 10 ? i + 1 : 9 - i);
  EXPECT_THROW(ExtremeRays(System(1, rows), {99}), ConeLimitExceeded);
  EXPECT_THROW(ExtremeRays(System(1, rows), {19}), ConeLimitExceeded);
  EXPECT_EQ(ExtremeRays(System(1, rows), {100}).size(), 100u);
  EXPECT_THROW(ExtremeRays(System(1, rows), {SIZE_MAX, 199}), ConeLimitExceeded);
  EXPECT_THROW(ExtremeRays(System(1, rows), {SIZE_MAX, 39}), ConeLimitExceeded);
  EXPECT_EQ(ExtremeRays(System(1, rows), {100, 200}).size(), 100u);
}

TEST(ExtremeRays, StepsThatCannotGrowTheConeComeFirst) {
  // The T-semiflows of a net of 84 transitions: each moves a token between two of 13 places, and
  // all but the first also take one from place 13, which the first fills. The equation of place
  // 13 has one positive ray against 75 or more negative ones: eliminated early it shrinks the
  // cone, as any step with a single ray on one side does; taken by the smallest product of
  // positive and negative rays it came after the cheap steps of the other places had grown the
  // cone to 234, 94, 81 and 190 rays on these seeds (it starts with at most 84, one ray per
  // class of parallel transitions). Now the cone never holds more than 84 rays, and the result
  // is that of Toudic's set.
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<std::vector<std::pair<int32_t, int64_t>>> rows(84);
    for (size_t t = 0; t < rows.size(); ++t) {
      const auto from = static_cast<int32_t>(random() % 13);
      const auto to = static_cast<int32_t>((static_cast<uint32_t>(from) + 1 + random() % 12) % 13);
      std::map<int32_t, int64_t> cells{{from, -1}, {to, 1}};
      if (t == 0 || random() % 20 != 0) cells[13] = t == 0 ? 1 : -1;
      rows[t].assign(cells.begin(), cells.end());
    }
    const SparseSystem s = System(14, rows);
    const std::vector<Semiflow> rays = ExtremeRays(s, {84, SIZE_MAX, nullptr, kSystemForm});
    EXPECT_EQ(Show(rays), Show(ThroughToudic(s)));
  }
}

// The store squeezes removed rays out in place and makes room without moving the rays.
TEST(RayStore, KeepsRaysInPlaceAndMakesRoomWithoutMovingThem) {
  RayStore<mpz_class> store;
  for (int32_t r = 0; r < 5; ++r) {
    for (int32_t v = 0; v <= r; ++v) store.PushVar(v * 2 + r % 2, mpz_class(r + 1));
    store.PushCol(r, mpz_class(-r));
    store.Close();
  }
  store.Keep({0, 1, 0, 1, 1});
  ASSERT_EQ(store.size(), 3u);
  EXPECT_EQ(std::vector<int32_t>(store.Vars(0).begin(), store.Vars(0).end()), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(std::vector<int32_t>(store.Vars(2).begin(), store.Vars(2).end()), (std::vector<int32_t>{0, 2, 4, 6, 8}));
  EXPECT_EQ(store.Y(1)[3], 4);
  EXPECT_EQ(store.Cols(2)[0], 4);
  EXPECT_EQ(store.E(1)[0], -3);
  EXPECT_EQ(store.sig[1], 0b10101010u);
  store.Room(100, 100);
  const int32_t* vars = store.vars.data();
  for (int32_t v = 0; v < 100; ++v) store.PushVar(v, mpz_class(1));
  for (int32_t c = 0; c < 100; ++c) store.PushCol(c, mpz_class(1));
  store.Close();
  EXPECT_EQ(store.vars.data(), vars);
  EXPECT_EQ(store.Vars(3).size(), 100u);
  store.Keep({0, 0, 0, 1});
  EXPECT_EQ(store.size(), 1u);
  EXPECT_EQ(store.Y(0).size(), 100u);
  EXPECT_EQ(store.vars.data(), vars);
}

// A chain y(k+1) * 2 = y(k) * 3: the only semiflow is (2^n, 2^(n-1)*3, ..., 3^n).
std::string Chain(size_t n) {
  std::vector<std::vector<std::pair<int32_t, int64_t>>> rows(n + 1);
  for (size_t k = 0; k < n; ++k) {
    rows[k].emplace_back(static_cast<int32_t>(k), 3);
    rows[k + 1].emplace_back(static_cast<int32_t>(k), -2);
  }
  return Show(ExtremeRays(System(n, rows)));
}

std::string ChainExpected(unsigned long n) {
  std::string text;
  for (unsigned long k = 0; k <= n; ++k) {
    mpz_class two, three;
    mpz_ui_pow_ui(two.get_mpz_t(), 2, n - k);
    mpz_ui_pow_ui(three.get_mpz_t(), 3, k);
    text += (k ? " " : "") + std::to_string(k) + ":" + mpz_class(two * three).get_str();
  }
  return text;
}

TEST(ExtremeRays, ExactBeyond32And64And128Bits) {
  // the largest coefficient kept in 32 bits, and the first one beyond
  EXPECT_EQ(Show(ExtremeRays(System(1, {{{0, INT32_MAX}}, {{0, -1}}}))), "0:1 1:2147483647");
  EXPECT_EQ(Show(ExtremeRays(System(1, {{{0, int64_t{INT32_MAX} + 1}}, {{0, -1}}}))), "0:1 1:2147483648");
  EXPECT_EQ(Chain(25), ChainExpected(25));  // 3^25 > 2^32
  EXPECT_EQ(Chain(45), ChainExpected(45));  // 3^45 > 2^64
  EXPECT_EQ(Chain(90), ChainExpected(90));  // 3^90 > 2^128
}

TEST(MinimalSupportMembers, NormalisesDropsSupersetsZerosAndRepeats) {
  std::vector<Semiflow> v = {
      {{1, 2}, {2, 2}},          // (1,1) after the gcd
      {{1, 1}, {2, 5}, {3, 1}},  // holds the support {1,2}
      {{3, 0}},                  // zero
      {{2, 3}, {3, 3}},          // {2,3}
      {{1, 7}, {2, 7}},          // again (1,1)
      {{4, mpz_class("123456789012345678901234567890")}},
  };
  EXPECT_EQ(Show(MinimalSupportMembers(v)), "1:1 2:1|2:1 3:1|4:1");
}

TEST(CanonicalOrder, SupportsLexicographicallyPrefixFirstThenCoefficients) {
  std::vector<Semiflow> v = {{{5, 1}, {2, 1}}, {{2, 1}}, {{2, 3}, {5, 1}}, {{1, 9}, {7, 1}}};
  const std::vector<size_t> order = CanonicalOrder(v);
  EXPECT_EQ(order, (std::vector<size_t>{3, 1, 0, 2}));
  EXPECT_EQ(v[0], (Semiflow{{2, 1}, {5, 1}}));  // entries sorted in place
}

TEST(CanonicalOrder, ASetOrVectorsInPlaceOrderAsThePlainSort) {
  // Random semiflows over few numbers, so that many share their first numbers or are prefixes
  // of each other; each is distinct. The numbers span 16 bits, 32 bits or the whole range.
  std::mt19937 random(11);
  const std::vector<std::vector<int32_t>> palettes = {
      {3, 4, 7, 8, 9, 12, 13, 20, 21, 22, 30, 65536},
      {-3, 0, 1, 2, 5, 8, 9, 10, 11, 12, 13, 70000},
      {INT32_MIN, -3, 0, 1, 2, 5, 6, 7, 8, 9, 10, INT32_MAX}};
  for (int round = 0; round < 60; ++round) {
    const std::vector<int32_t>& numbers = palettes[static_cast<size_t>(round) % 3];
    std::set<Semiflow64> distinct;
    for (size_t n = random() % 60; distinct.size() < n;) {
      std::map<int32_t, int64_t> s;
      // mostly the first numbers, so that long semiflows share their beginnings
      for (size_t k = random() % 13; k > 0; --k) s[numbers[std::min(random() % 16, random() % 12)]] = 1 + random() % 2;
      distinct.insert(Semiflow64(s.begin(), s.end()));
    }
    std::vector<Semiflow64> vectors(distinct.begin(), distinct.end());
    std::shuffle(vectors.begin(), vectors.end(), random);
    for (Semiflow64& s : vectors) std::shuffle(s.begin(), s.end(), random);  // entries in any order
    SemiflowSet<int64_t> set = SetOf(vectors);
    const std::vector<size_t> order = CanonicalOrder(set);
    std::vector<Semiflow64> inPlace = vectors;
    const std::vector<size_t> orderInPlace = CanonicalOrder(inPlace);
    SortCanonical(vectors);
    std::vector<Semiflow64> ordered, orderedInPlace;
    for (size_t i : order) ordered.emplace_back(set[i].begin(), set[i].end());
    for (size_t i : orderInPlace) orderedInPlace.push_back(inPlace[i]);
    EXPECT_EQ(ordered, vectors);
    EXPECT_EQ(orderedInPlace, vectors);
  }
}

// The tree answers as a plain search over all members does.
TEST(PatternTree, AgreesWithPlainSearchOnRandomSupports) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    const size_t variables = 5 + random() % 150, members = 1 + random() % 300;
    std::vector<std::vector<int32_t>> supports(members);
    for (auto& s : supports) {
      for (size_t v = 0; v < variables; ++v)
        if (random() % 8 == 0) s.push_back(static_cast<int32_t>(v));
      if (s.empty()) s.push_back(static_cast<int32_t>(random() % variables));
    }
    const PatternTree tree = BuildPatternTree({supports.begin(), supports.end()}, variables);
    std::vector<uint64_t> set;
    std::vector<int32_t> stack;
    for (int query = 0; query < 200; ++query) {
      const uint32_t a = static_cast<uint32_t>(random() % members), b = static_cast<uint32_t>(random() % members);
      UnionOf(tree, a, b, set);
      std::vector<char> in(variables, 0);
      for (int32_t v : supports[a]) in[static_cast<size_t>(v)] = 1;
      for (int32_t v : supports[b]) in[static_cast<size_t>(v)] = 1;
      bool expected = false;
      for (uint32_t m = 0; m < members; ++m)
        if (m != a && m != b &&
            std::all_of(supports[m].begin(), supports[m].end(), [&](int32_t v) { return in[static_cast<size_t>(v)]; }))
          expected = true;
      const int64_t found = MemberInside(tree, set, a, b, stack);
      ASSERT_EQ(found >= 0, expected) << "round " << round << " query " << query;
      if (found >= 0) {
        EXPECT_TRUE(Inside(tree, static_cast<uint32_t>(found), set));
      }
    }
  }
}

TEST(MinimalSemiflows, WritesTheCanonicalFile) {
  TempDir dir;
  // -y30 + y10 - 2*y20 = 0 and y20 - y40 = 0: the rays (y10, y30) = (1, 1) and
  // (y10, y20, y40) = (2, 1, 1); the support 10 20 40 comes before 10 30
  WriteFile(dir / "m", "# comment\n30 1 -1\n10 1 1\n20 1 -2\n\n20 2 1\n40 2 -1\n");
  MinimalSemiflows(dir / "m", dir / "s");
  EXPECT_EQ(ReadFile(dir / "s"), "1 10 2\n1 20 1\n1 40 1\n2 10 1\n2 30 1\n");
  WriteFile(dir / "empty", "# nothing\n");
  MinimalSemiflows(dir / "empty", dir / "s");
  EXPECT_EQ(ReadFile(dir / "s"), "");
  EXPECT_EQ(test::ExpectFailure([&] { MinimalSemiflows(dir / "missing", dir / "s"); }).message,
            "*** error open file " + (dir / "missing") + "\n");
}

// What the run would find reading a solution file back: its last solution number and the
// elements with a positive coefficient.
SolutionDigest DigestOfFile(const std::string& name) {
  File file = OpenFile(name, "r");
  SolutionDigest digest;
  std::set<int32_t> covered;
  ForEachWideElement(file.get(), name, true, [&](const WideElement& e) {
    digest.last = static_cast<size_t>(e.row);
    if (e.Positive()) covered.insert(e.col);
  });
  digest.covered.assign(covered.begin(), covered.end());
  return digest;
}

void ExpectSameDigest(const SolutionDigest& a, const SolutionDigest& b) {
  EXPECT_EQ(a.last, b.last);
  EXPECT_EQ(a.covered, b.covered);
}

TEST(MinimalSemiflows, TheStagesDigestIsThatOfTheFileTheyWrite) {
  // Random systems with free variables and gaps in the row numbers, some rows uncovered.
  ForEachRandomSystem(61, [](const SparseSystem& s) {
    TempDir dir;
    std::string matrix, basis;
    for (size_t v = 0; v < s.rows.size(); ++v)
      for (const auto& [c, a] : s.rows[v]) matrix += std::to_string(3 * v + 2) + " " + std::to_string(c) + " " + std::to_string(a) + "\n";
    matrix += "1000 0 0\n";
    WriteFile(dir / "m", matrix);
    const SolutionDigest solved = MinimalSemiflows(dir / "m", dir / "s");
    ExpectSameDigest(solved, DigestOfFile(dir / "s"));
    // a basis for the reduction: the semiflows doubled, with a sum of two of them
    const std::string written = ReadFile(dir / "s");
    std::istringstream lines(written);
    for (int32_t n, e, c; lines >> n >> e >> c;) basis += std::to_string(n + 1) + " " + std::to_string(e) + " " + std::to_string(2 * c) + "\n";
    basis += "1 5 1\n1 8 1\n";
    WriteFile(dir / "h", basis);
    const SolutionDigest reduced = MinimalSupports(dir / "h", dir / "h");
    ExpectSameDigest(reduced, DigestOfFile(dir / "h"));
  });
  TempDir dir;
  WriteFile(dir / "m", "# nothing\n");
  ExpectSameDigest(MinimalSemiflows(dir / "m", dir / "s"), SolutionDigest{});
}

TEST(MinimalSupports, ReducesAFileWithBigCoefficientsInPlace) {
  TempDir dir;
  WriteFile(dir / "h", "7 3 4\n7 1 2\n5 1 1\n5 2 1\n5 3 1\n9 2 36893488147419103232\n9 4 36893488147419103232\n");
  MinimalSupports(dir / "h", dir / "h");
  EXPECT_EQ(ReadFile(dir / "h"), "1 1 1\n1 3 2\n2 2 1\n2 4 1\n");
}

}  // namespace
}  // namespace pelorin
