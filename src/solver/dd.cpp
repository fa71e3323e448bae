// Extreme rays of {y >= 0 : y.A = 0} by double description with the combinatorial adjacency
// test (contract in dd.h). Works in memory only; the file stages are in ddfile.cpp.
#include "solver/dd.h"

#include <algorithm>
#include <memory>
#include <new>
#include <numeric>
#include <span>
#include <type_traits>

#include "matrix/exactint.h"
#include "matrix/failure.h"
#include "solver/ddtree.h"
#include "solver/latticeform.h"
#include "solver/raystore.h"
#include "solver/supportindex.h"
#include "solver/tournament.h"

namespace pelorin {

namespace {

using exact::Abs;
using exact::Gcd;
using exact::Int128;
using exact::MulAdd;
using exact::Overflow;
using exact::ToMpz;

// The coefficient of a result: 64-bit ones stay, wider ones become GMP integers.
int64_t Coefficient(int64_t v) { return v; }
template <class T>
mpz_class Coefficient(const T& v) {
  return ToMpz(v);
}

// The current cone: its rays and the indexes over them, kept up to date as rays come and go.
template <class T>
struct Cone {
  RayStore<T> rays;                          // by id (index of creation); removed rays stay until compaction
  std::vector<char> alive;                   // by id: 1 while the ray is in the cone
  size_t live = 0;                           // rays in the cone
  size_t liveEntries = 0;                    // support and equation entries of the rays in the cone
  std::vector<int32_t> pos, neg;             // per equation: rays positive / negative there
  std::vector<std::vector<int32_t>> column;  // per equation: ids of rays non-zero there (removed ones dropped lazily)
  std::vector<int32_t> count;                // per variable: rays whose support holds it
  SupportIndex keyed;                        // per variable: rays keyed by it (their rarest variable when listed)
  int32_t eliminated = 0;                    // equations eliminated with rays of both signs
  size_t steps = 0;                          // equations eliminated
  std::vector<uint32_t> markP, markN;        // per variable: stamp of the positive / negative ray in test
  uint32_t stampP = 0, stampN = 0;
  std::vector<int32_t> P, N;                 // the positive / negative rays of the step under way
  std::vector<uint64_t> bits;                // scratch: bit sets of their supports (see SupportBits)
  ConeLimit limit;                           // the largest the cone may grow
  bool lattice = false;                      // the system is a lattice form (latticeform.h)
  std::vector<char> slack;                   // per variable: a dependent variable of the lattice form
  uint64_t work = 0;                         // pairs of rays examined so far
  Tournament choice;                         // per equation: the key of its step (EquationKey)
  std::vector<int32_t> changed;              // equations whose counts changed since the last choice
  std::vector<char> isChanged;               // per equation: listed in `changed`
};

// An equation's counts changed: its key is brought up to date at the next choice.
template <class T>
void Changed(Cone<T>& cone, size_t c) {
  if (cone.isChanged[c]) return;
  cone.isChanged[c] = 1;
  cone.changed.push_back(static_cast<int32_t>(c));
}

size_t Index(int32_t v) { return static_cast<size_t>(v); }

// The variable of the support held by the fewest rays.
template <class T>
int32_t Rarest(const Cone<T>& cone, std::span<const int32_t> vars) {
  return SupportIndex::Rarest(vars, [&](int32_t v) { return cone.count[Index(v)]; });
}

// Lists every ray again under its present rarest variable, dropping removed rays.
template <class T>
void Rekey(Cone<T>& cone) {
  cone.keyed.Clear();
  for (size_t id = 0; id < cone.rays.size(); ++id) {
    if (!cone.alive[id] || cone.rays.Vars(id).empty()) continue;
    cone.keyed.Add(Index(Rarest(cone, cone.rays.Vars(id))), static_cast<int32_t>(id), cone.rays.sig[id]);
  }
}

// Drops the removed rays: the rays of the cone take the ids 0, 1, ... in their order, and the
// lists of the equations and of the key variables are built anew.
template <class T>
void Compact(Cone<T>& cone) {
  cone.rays.Keep(cone.alive);
  cone.alive.assign(cone.rays.size(), 1);
  for (auto& list : cone.column) list.clear();
  for (size_t id = 0; id < cone.rays.size(); ++id)
    for (int32_t c : cone.rays.Cols(id)) cone.column[Index(c)].push_back(static_cast<int32_t>(id));
  Rekey(cone);
}

// Enters ray `id`, the next one of the store, into the cone and its indexes.
template <class T>
void AddRay(Cone<T>& cone, int32_t id) {
  const std::span<const int32_t> vars = cone.rays.Vars(Index(id)), cols = cone.rays.Cols(Index(id));
  const std::span<const T> e = cone.rays.E(Index(id));
  for (int32_t v : vars) ++cone.count[Index(v)];
  cone.liveEntries += vars.size() + cols.size();
  for (size_t j = 0; j < cols.size(); ++j) {
    const size_t c = Index(cols[j]);
    ++(e[j] > 0 ? cone.pos[c] : cone.neg[c]);
    cone.column[c].push_back(id);
    Changed(cone, c);
  }
  if (!vars.empty()) cone.keyed.Add(Index(Rarest(cone, vars)), id, cone.rays.sig[Index(id)]);
  cone.alive.push_back(1);
  ++cone.live;
}

template <class T>
void RemoveRay(Cone<T>& cone, int32_t id) {
  for (int32_t v : cone.rays.Vars(Index(id))) --cone.count[Index(v)];
  const std::span<const int32_t> cols = cone.rays.Cols(Index(id));
  cone.liveEntries -= cone.rays.Vars(Index(id)).size() + cols.size();
  const std::span<const T> e = cone.rays.E(Index(id));
  for (size_t j = 0; j < cols.size(); ++j) {
    --(e[j] > 0 ? cone.pos : cone.neg)[Index(cols[j])];
    Changed(cone, Index(cols[j]));
  }
  cone.alive[Index(id)] = 0;
  --cone.live;
}

// The next equation: first those whose step cannot add rays to the cone, then the smallest
// product of positive and negative counts, then the fewest rays, then the lowest position; -1
// when every ray is zero on every equation.
//
// A step with p positive and n negative rays removes p + n rays and forms at most p * n, so it
// cannot grow the cone when p * n <= p + n: single-sign equations (p * n = 0, nothing formed),
// one ray on one side (p = 1 or n = 1), or two on each. The product alone is a greedy guess at
// the cost of the next step; it postponed an equation with one producer against 75 consumers
// (product 75) behind cheap steps that each grew the cone a little, and the cone grew to nearly
// three times its start before that equation cut it back (see the tests). Taken first, such
// steps only shrink the cone, and every later step starts from fewer rays.
//
// In a lattice form (latticeform.h) the positive side of an equation holds the unit vector of
// its dependent variable d and the rays that break y_d >= 0, which leave the cone; the negative
// side holds the rays that satisfy it, which stay (combined with the unit vector). Among the
// steps that can grow the cone, the one that removes the most rays is taken first (then the
// smallest product): an early cut shrinks every later step.
//
// The rule is a key per equation, the least key winning (counts beyond the key's fields
// saturate, which only ever changes the order among steps far too large to take anyway); the
// keys of the equations whose counts changed are renewed in a tournament tree at each choice.
uint64_t EquationKey(uint64_t p, uint64_t n, bool lattice) {
  if (p + n == 0) return Tournament::kNone;
  const uint64_t grows = p * n > p + n ? 1 : 0;
  const uint64_t product = std::min<uint64_t>(p * n, (uint64_t{1} << 40) - 1);
  if (!lattice || grows == 0) return grows << 63 | product << 23 | std::min<uint64_t>(p + n, (uint64_t{1} << 23) - 1);
  const uint64_t kept = (uint64_t{1} << 22) - 1 - std::min<uint64_t>(p, (uint64_t{1} << 22) - 1);
  return uint64_t{1} << 63 | kept << 40 | product;
}

template <class T>
int32_t NextEquation(Cone<T>& cone) {
  const bool many = cone.changed.size() > cone.pos.size() / 8;
  for (int32_t c : cone.changed) {
    const size_t e = Index(c);
    const uint64_t key = EquationKey(static_cast<uint64_t>(cone.pos[e]), static_cast<uint64_t>(cone.neg[e]), cone.lattice);
    if (many) cone.choice.Assign(e, key);
    else cone.choice.Set(e, key);
    cone.isChanged[e] = 0;
  }
  if (many) cone.choice.Rebuild();
  cone.changed.clear();
  const size_t best = cone.choice.Best();
  return cone.choice.Key(best) == Tournament::kNone ? -1 : static_cast<int32_t>(best);
}

// The value of ray `id` in equation c (non-zero: the ray is listed there).
template <class T>
const T& ValueAt(const RayStore<T>& rays, int32_t id, int32_t c) {
  const std::span<const int32_t> cols = rays.Cols(Index(id));
  const auto it = std::lower_bound(cols.begin(), cols.end(), c);
  return rays.E(Index(id))[static_cast<size_t>(it - cols.begin())];
}

// Next stamp of a mark array, clearing it when the stamps wrap around.
uint32_t NextStamp(std::vector<uint32_t>& marks, uint32_t& stamp) {
  if (++stamp == 0) {
    std::fill(marks.begin(), marks.end(), 0);
    stamp = 1;
  }
  return stamp;
}

// Adjacency of the positive ray p (marked with stampP) and the negative ray n: no third ray of
// the cone has its support inside the union of theirs. Every such ray is keyed by a variable of
// the union, so only those lists are searched.
template <class T>
bool Adjacent(Cone<T>& cone, int32_t p, int32_t n) {
  const std::span<const int32_t> vp = cone.rays.Vars(Index(p)), vn = cone.rays.Vars(Index(n));
  const uint32_t sp = cone.stampP, sn = NextStamp(cone.markN, cone.stampN);
  for (int32_t v : vn) cone.markN[Index(v)] = sn;
  const uint64_t outside = ~(cone.rays.sig[Index(p)] | cone.rays.sig[Index(n)]);
  auto inUnion = [&](int32_t v) { return cone.markP[Index(v)] == sp || cone.markN[Index(v)] == sn; };
  auto third = [&](int32_t q) {
    if (q == p || q == n || !cone.alive[Index(q)]) return false;
    const std::span<const int32_t> vars = cone.rays.Vars(Index(q));
    return std::all_of(vars.begin(), vars.end(), inUnion);
  };
  auto search = [&](int32_t v) { return cone.keyed.Find(Index(v), outside, third) >= 0; };
  for (int32_t v : vp)
    if (search(v)) return false;
  for (int32_t v : vn)
    if (cone.markP[Index(v)] != sp && search(v)) return false;
  return true;
}

// Appends to the store the positive combination of its rays p and n that is zero in equation
// c, divided by its gcd.
template <class T>
void Combine(RayStore<T>& rays, int32_t p, int32_t n, int32_t c) {
  rays.Room(rays.Vars(Index(p)).size() + rays.Vars(Index(n)).size(), rays.Cols(Index(p)).size() + rays.Cols(Index(n)).size());
  RayStore<T>& out = rays;
  T a = Abs(ValueAt(rays, n, c)), b = Abs(ValueAt(rays, p, c));
  const T g = Gcd(a, b);
  a /= g;
  b /= g;
  const T zero = 0;
  const std::span<const int32_t> pv = rays.Vars(Index(p)), nv = rays.Vars(Index(n));
  const std::span<const T> py = rays.Y(Index(p)), ny = rays.Y(Index(n));
  const size_t firstVar = out.vars.size(), firstCol = out.cols.size();
  for (size_t i = 0, j = 0; i < pv.size() || j < nv.size();) {
    const bool fromP = j == nv.size() || (i < pv.size() && pv[i] <= nv[j]);
    const bool fromN = i == pv.size() || (j < nv.size() && nv[j] <= pv[i]);
    out.PushVar(fromP ? pv[i] : nv[j], MulAdd(a, fromP ? py[i] : zero, b, fromN ? ny[j] : zero));
    i += fromP;
    j += fromN;
  }
  const std::span<const int32_t> pc = rays.Cols(Index(p)), nc = rays.Cols(Index(n));
  const std::span<const T> pe = rays.E(Index(p)), ne = rays.E(Index(n));
  for (size_t i = 0, j = 0; i < pc.size() || j < nc.size();) {
    const bool fromP = j == nc.size() || (i < pc.size() && pc[i] <= nc[j]);
    const bool fromN = i == pc.size() || (j < nc.size() && nc[j] <= pc[i]);
    const int32_t col = fromP ? pc[i] : nc[j];
    T value = MulAdd(a, fromP ? pe[i] : zero, b, fromN ? ne[j] : zero);
    i += fromP;
    j += fromN;
    if (col != c && value != 0) out.PushCol(col, std::move(value));
  }
  T d = 0;
  for (size_t k = firstVar; k < out.y.size(); ++k) d = Gcd(d, out.y[k]);
  if (d > 1) {
    for (size_t k = firstVar; k < out.y.size(); ++k) out.y[k] /= d;
    for (size_t k = firstCol; k < out.e.size(); ++k) out.e[k] /= d;
  }
  out.Close();
}

// The rays positive and negative in equation c; the list of the equation is used up.
template <class T>
void Split(Cone<T>& cone, int32_t c) {
  cone.P.clear();
  cone.N.clear();
  for (int32_t id : cone.column[Index(c)]) {
    if (!cone.alive[Index(id)]) continue;
    (ValueAt(cone.rays, id, c) > 0 ? cone.P : cone.N).push_back(id);
  }
  std::vector<int32_t>().swap(cone.column[Index(c)]);
}

// A step searches a bit-pattern tree of the rays, built for the step, when it has at least this
// many pairs and the search of the key lists would cost more than building the tree (the lists
// under the first pair's variables, times the pairs, against four times the rays); otherwise it
// searches the lists of the rays by their key variable.
constexpr size_t kTreePairs = 64;

// The rays listed under the variables of rays p and n: the cost of searching their lists.
template <class T>
size_t ListedUnder(const Cone<T>& cone, int32_t p, int32_t n) {
  size_t total = 0;
  for (int32_t id : {p, n})
    for (int32_t v : cone.rays.Vars(Index(id))) total += cone.keyed.Size(Index(v));
  return total;
}

// The adjacency test of one step over a bit-pattern tree of all rays of the cone. The members
// that last showed a pair not adjacent are tried first: a few rays of small support lie inside
// the unions of most pairs of a step.
template <class T>
struct TreeTest {
  static constexpr size_t kRecent = 8;
  PatternTree tree;
  std::vector<uint32_t> slot;    // by ray id: its member number in the tree
  std::vector<uint64_t> set;     // scratch: the union of two supports
  std::vector<int32_t> stack;    // scratch of the search
  std::vector<uint32_t> recent;  // the members that last showed pairs not adjacent, latest first

  explicit TreeTest(const Cone<T>& cone) : slot(cone.rays.size(), 0) {
    std::vector<std::span<const int32_t>> supports;
    supports.reserve(cone.live);
    for (size_t id = 0; id < cone.rays.size(); ++id) {
      if (!cone.alive[id]) continue;
      slot[id] = static_cast<uint32_t>(supports.size());
      supports.push_back(cone.rays.Vars(id));
    }
    tree = BuildPatternTree(supports, cone.count.size());
  }
  bool Adjacent(int32_t p, int32_t n) {
    const uint32_t a = slot[Index(p)], b = slot[Index(n)];
    if (!recent.empty() && recent[0] != a && recent[0] != b) {
      // most pairs of a step fall to the member that showed the last pair not adjacent
      const size_t words = tree.words;
      const uint64_t *x = &tree.bits[a * words], *y = &tree.bits[b * words], *z = &tree.bits[recent[0] * words];
      uint64_t outside = 0;
      for (size_t w = 0; w < words; ++w) outside |= z[w] & ~(x[w] | y[w]);
      if (outside == 0) return false;
    }
    UnionOf(tree, a, b, set);
    for (size_t k = 1; k < recent.size(); ++k) {
      const uint32_t w = recent[k];
      if (w != a && w != b && Inside(tree, w, set)) {
        std::rotate(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(k),
                    recent.begin() + static_cast<std::ptrdiff_t>(k + 1));
        return false;
      }
    }
    const int64_t found = MemberInside(tree, set, a, b, stack);
    if (found < 0) return true;
    if (recent.size() < kRecent) recent.push_back(0);
    std::rotate(recent.rbegin(), recent.rbegin() + 1, recent.rend());
    recent[0] = static_cast<uint32_t>(found);
    return false;
  }
};

// The size of the union of two supports is counted on their bit sets over the variables when
// these take at most this many words (and the step has at least kTreePairs pairs); otherwise
// on marks of the positive ray's variables.
constexpr size_t kCountWords = 16;

// The bit sets over the variables of the rays of the step: the positive ones, then the
// negative ones, `words` words each.
template <class T>
void SupportBits(Cone<T>& cone, size_t words) {
  cone.bits.assign((cone.P.size() + cone.N.size()) * words, 0);
  size_t k = 0;
  for (const std::vector<int32_t>* side : {&cone.P, &cone.N})
    for (int32_t id : *side) {
      for (int32_t v : cone.rays.Vars(Index(id))) cone.bits[k * words + Index(v) / 64] |= uint64_t{1} << (Index(v) % 64);
      ++k;
    }
}

size_t UnionCount(const uint64_t* a, const uint64_t* b, size_t words) {
  size_t total = 0;
  for (size_t w = 0; w < words; ++w) total += static_cast<size_t>(__builtin_popcountll(a[w] | b[w]));
  return total;
}

// Tells the observer, if any, of the step under way and the rays in hand (`formed` of them new).
template <class T>
void Tell(const Cone<T>& cone, size_t formed) {
  if (cone.limit.progress != nullptr)
    cone.limit.progress->Step("solving", cone.steps, cone.pos.size(), cone.live + formed);
}

// The ray is the unit vector of a dependent variable of a lattice form.
template <class T>
bool IsSlack(const Cone<T>& cone, int32_t id) {
  const std::span<const int32_t> vars = cone.rays.Vars(Index(id));
  return vars.size() == 1 && cone.slack[Index(vars[0])];
}

// Throws ConeLimitExceeded when the cone after the step, counting the rays formed so far, is
// beyond the limit: `staying` rays with `staysEntries` entries stay, and the rays from `first`
// (entries from `firstEntry`) were formed.
template <class T>
void CheckLimit(const Cone<T>& cone, size_t staying, size_t staysEntries, size_t first, size_t firstEntry) {
  if (staying + (cone.rays.size() - first) > cone.limit.rays ||
      staysEntries + (cone.rays.vars.size() + cone.rays.cols.size() - firstEntry) > cone.limit.entries)
    throw ConeLimitExceeded{};
}

// One step: every adjacent pair of a positive and a negative ray in equation c gives a new ray
// (appended to the store, entering the cone after the step); then the rays non-zero in c leave
// the cone.
template <class T>
void Eliminate(Cone<T>& cone, int32_t c) {
  ++cone.steps;
  Tell(cone, 0);
  Split(cone, c);
  const std::vector<int32_t>& P = cone.P;
  const std::vector<int32_t>& N = cone.N;
  const size_t first = cone.rays.size();
  if (!P.empty() && !N.empty()) {
    const size_t bound = static_cast<size_t>(++cone.eliminated) + 1;
    // the cone after the step, less the rays formed: the limit counts these as they come
    size_t leaving = 0;
    for (const std::vector<int32_t>* side : {&P, &N})
      for (int32_t id : *side) leaving += cone.rays.Vars(Index(id)).size() + cone.rays.Cols(Index(id)).size();
    const size_t staying = cone.live - P.size() - N.size(), staysEntries = cone.liveEntries - leaving;
    const size_t firstEntry = cone.rays.vars.size() + cone.rays.cols.size();
    std::unique_ptr<TreeTest<T>> tree;
    if (P.size() * N.size() >= kTreePairs && P.size() * N.size() * ListedUnder(cone, P[0], N[0]) >= 4 * cone.live)
      tree = std::make_unique<TreeTest<T>>(cone);
    const size_t words = (cone.count.size() + 63) / 64;
    const bool counted = words <= kCountWords && P.size() * N.size() >= kTreePairs;
    if (counted) SupportBits(cone, words);
    const size_t tellEvery = std::max<size_t>(1, 4096 / N.size());  // positive rays per 4096 pairs or more
    cone.work += P.size() * N.size();
    for (size_t i = 0; i < P.size(); ++i) {
      if (i % tellEvery == tellEvery - 1) Tell(cone, cone.rays.size() - first);
      const int32_t p = P[i];
      if (IsSlack(cone, p)) {
        // the unit vector of a dependent variable, held by no other ray: adjacent to every ray
        for (int32_t n : N) Combine(cone.rays, p, n, c);
        CheckLimit(cone, staying, staysEntries, first, firstEntry);
        continue;
      }
      const uint32_t sp = NextStamp(cone.markP, cone.stampP);
      for (int32_t v : cone.rays.Vars(Index(p))) cone.markP[Index(v)] = sp;
      const size_t sizeP = cone.rays.Vars(Index(p)).size();
      for (size_t j = 0; j < N.size(); ++j) {
        const int32_t n = N[j];
        const std::span<const int32_t> vn = cone.rays.Vars(Index(n));
        if (sizeP + vn.size() > bound) {
          if (counted) {
            if (UnionCount(&cone.bits[i * words], &cone.bits[(P.size() + j) * words], words) > bound) continue;
          } else {
            size_t common = 0;
            for (int32_t v : vn) common += cone.markP[Index(v)] == sp;
            if (sizeP + vn.size() - common > bound) continue;
          }
        }
        if (!(tree ? tree->Adjacent(p, n) : Adjacent(cone, p, n))) continue;
        Combine(cone.rays, p, n, c);
        CheckLimit(cone, staying, staysEntries, first, firstEntry);
      }
    }
  }
  for (int32_t id : P) RemoveRay(cone, id);
  for (int32_t id : N) RemoveRay(cone, id);
  for (size_t id = first; id < cone.rays.size(); ++id) AddRay(cone, static_cast<int32_t>(id));
  const size_t entries = cone.rays.vars.size() + cone.rays.cols.size();
  if (cone.rays.size() - cone.live > cone.live / 2 + 1024 || entries - cone.liveEntries > cone.liveEntries / 2 + 65536)
    Compact(cone);
  else if (cone.keyed.Postings() > 2 * cone.live + 1024) Rekey(cone);
}

// The cone of the unit vectors: ray i is variable i with its row of A as equation part.
template <class T>
void Start(const SparseSystem& system, Cone<T>& cone) {
  const size_t m = system.rows.size();
  cone.slack.assign(m, 0);
  cone.pos.assign(system.equations, 0);
  cone.neg.assign(system.equations, 0);
  cone.choice = Tournament(system.equations);
  cone.isChanged.assign(system.equations, 0);
  cone.column.resize(system.equations);
  cone.count.assign(m, 0);
  cone.keyed = SupportIndex(m);
  cone.markP.assign(m, 0);
  cone.markN.assign(m, 0);
  for (size_t i = 0; i < m; ++i) {
    cone.rays.PushVar(static_cast<int32_t>(i), T(1));
    for (const auto& [col, value] : system.rows[i]) cone.rays.PushCol(col, T(value));
    cone.rays.Close();
    AddRay(cone, static_cast<int32_t>(i));
  }
}

// The rays of the cone, with coefficients of type C.
template <class C, class T>
SemiflowSet<C> RaysOf(const Cone<T>& cone) {
  SemiflowSet<C> result;
  size_t entries = 0;
  for (size_t id = 0; id < cone.rays.size(); ++id)
    if (cone.alive[id]) entries += cone.rays.Vars(id).size();
  result.entries.reserve(entries);
  result.begin.reserve(cone.live + 1);
  for (size_t id = 0; id < cone.rays.size(); ++id) {
    if (!cone.alive[id]) continue;
    const std::span<const int32_t> vars = cone.rays.Vars(id);
    const std::span<const T> y = cone.rays.Y(id);
    for (size_t k = 0; k < vars.size(); ++k) result.entries.emplace_back(vars[k], static_cast<C>(Coefficient(y[k])));
    result.Close();
  }
  return result;
}

// A cone under way, the equation of its next step (-1: finished), and whether its system is
// the one the solver was given (not a lattice form of it).
template <class T>
struct Run {
  Cone<T> cone;
  int32_t next = -1;
  bool given = false;
  // The pairs examined once the next step is done: the run's work so far and to come.
  uint64_t WorkAfterNext() const {
    if (next < 0) return cone.work;
    const size_t c = Index(next);
    return cone.work + static_cast<uint64_t>(cone.pos[c]) * static_cast<uint64_t>(cone.neg[c]);
  }
};

// A run of the cone of `system` (`form` its lattice form, or null); throws ConeLimitExceeded
// when the start is beyond the limit.
template <class T>
std::unique_ptr<Run<T>> StartRun(const SparseSystem& system, const LatticeForm* form, ConeLimit limit) {
  auto run = std::make_unique<Run<T>>();
  Cone<T>& cone = run->cone;
  cone.limit = limit;
  cone.lattice = form != nullptr;
  run->given = form == nullptr;
  Start(form != nullptr ? form->system : system, cone);
  if (form != nullptr)
    for (int32_t d : form->dependent) cone.slack[Index(d)] = 1;
  if (cone.live > limit.rays || cone.liveEntries > limit.entries) throw ConeLimitExceeded{};
  run->next = NextEquation(cone);
  return run;
}

// The rays of a finished cone: in 64 bits with 32-bit coefficients when every one fits there
// (half the memory for a large set).
template <class T>
auto Finish(const Cone<T>& cone) {
  if constexpr (std::is_same_v<T, int64_t>) {
    bool narrow = true;
    for (size_t id = 0; id < cone.rays.size() && narrow; ++id)
      if (cone.alive[id])
        for (int64_t y : cone.rays.Y(id)) narrow = narrow && FitsInt32(y);
    return narrow ? Rays64(RaysOf<int32_t>(cone)) : Rays64(RaysOf<int64_t>(cone));
  } else {
    return RaysOf<mpz_class>(cone);
  }
}

size_t EntriesOf(const SparseSystem& system) {
  size_t entries = 0;
  for (const auto& row : system.rows) entries += row.size();
  return entries;
}

// The solution of a system in T arithmetic by the runs of its forms (see ExtremeRays64).
template <class T>
class Solution {
 public:
  Solution(const SparseSystem& system, ConeLimit limit)
      : system_(system), limit_(limit), joinAt_(8 * (system.rows.size() + EntriesOf(system))) {
    if ((limit.forms & kSystemForm) == 0) Join();
    else Add(nullptr);
  }

  auto Rays() {
    for (;;) {
      if (!joined_ && (runs_.empty() || runs_.front()->cone.work >= joinAt_)) Join();
      if (runs_.empty()) {
        if (overflow_) throw Overflow{};
        throw ConeLimitExceeded{};
      }
      size_t best = 0;
      for (size_t i = 1; i < runs_.size(); ++i)
        if (runs_[i]->WorkAfterNext() < runs_[best]->WorkAfterNext()) best = i;
      Run<T>& run = *runs_[best];
      if (run.next < 0) return Finish(run.cone);
      try {
        Eliminate(run.cone, run.next);
        run.next = NextEquation(run.cone);
        continue;
      } catch (const Overflow&) {
        overflow_ = true;
      } catch (const ConeLimitExceeded&) {
      } catch (const std::bad_alloc&) {
        if (run.given && runs_.size() > 1) {
          // the given system alone had all the memory before: it gets it again, from the start
          runs_.clear();
          forms_.clear();
          Add(nullptr);
          continue;
        }
        if (runs_.size() == 1 && joined_) throw;
      }
      runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(best));
    }
  }

 private:
  // Starts a run of the given system (form null) or of a lattice form; a start beyond the limit
  // is no run.
  void Add(const LatticeForm* form) {
    try {
      runs_.push_back(StartRun<T>(system_, form, limit_));
    } catch (const ConeLimitExceeded&) {
    }
  }

  // The lattice forms join the runs.
  void Join() {
    joined_ = true;
    const size_t maxEntries = std::max<size_t>(4 * EntriesOf(system_), size_t{1} << 20);
    forms_.reserve(2);
    for (const auto& [flag, prefer] : {std::pair{kFirstFreeForm, FreeVariables::kFirst}, std::pair{kLastFreeForm, FreeVariables::kLast}}) {
      if ((limit_.forms & flag) == 0) continue;
      std::optional<LatticeForm> form = LatticeFormOf(system_, prefer, maxEntries);
      if (form && form->system.equations > 0) forms_.push_back(std::move(*form));
    }
    for (const LatticeForm& form : forms_) Add(&form);
    if (forms_.empty() && (limit_.forms & kSystemForm) == 0) Add(nullptr);
  }

  const SparseSystem& system_;
  ConeLimit limit_;
  uint64_t joinAt_;
  std::vector<LatticeForm> forms_;  // before the runs that point to them
  std::vector<std::unique_ptr<Run<T>>> runs_;
  bool joined_ = false;
  bool overflow_ = false;
};

template <class T>
auto Solve(const SparseSystem& system, ConeLimit limit) {
  return Solution<T>(system, limit).Rays();
}

}  // namespace

std::optional<Rays64> ExtremeRays64(const ParallelClasses& classes, ConeLimit limit) {
  try {
    return std::visit([&](auto&& rays) { return Rays64(ExpandParallel(std::move(rays), classes, limit)); },
                      Solve<int64_t>(classes.reduced, limit));
  } catch (const Overflow&) {
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    FailMemory("rays");
  }
}

SemiflowSet<mpz_class> ExtremeRaysWide(const ParallelClasses& classes, ConeLimit limit) {
  try {
    try {
      return ExpandParallel(Solve<Int128>(classes.reduced, limit), classes, limit);
    } catch (const Overflow&) {
    }
    return ExpandParallel(Solve<mpz_class>(classes.reduced, limit), classes, limit);
  } catch (const std::bad_alloc&) {
    FailMemory("rays");
  }
}

std::vector<Semiflow> ExtremeRays(const SparseSystem& system, ConeLimit limit) {
  return WithExtremeRays(system, limit, [](auto& rays) {
    return WithMemory("rays", [&] {
      std::vector<Semiflow> result;
      result.reserve(rays.size());
      for (size_t i = 0; i < rays.size(); ++i) result.emplace_back(rays[i].begin(), rays[i].end());
      return result;
    });
  });
}

}  // namespace pelorin
