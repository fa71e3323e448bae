// Extreme rays of {y >= 0 : y.A = 0} by double description with the combinatorial adjacency
// test (contract in dd.h). Works in memory only; the file stages are in ddfile.cpp.
#include "solver/dd.h"

#include <algorithm>
#include <memory>
#include <new>
#include <numeric>

#include "matrix/failure.h"
#include "solver/ddtree.h"

namespace pelorin {

namespace {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

// A value left the range of the integer type in use; the solution is computed again wider.
struct Overflow {};

// Exact operations of the three integer types: a*x + b*y, |v|, gcd, conversion to GMP.
int64_t MulAdd(int64_t a, int64_t x, int64_t b, int64_t y) {
  int64_t p = 0, q = 0, r = 0;
  if (__builtin_mul_overflow(a, x, &p) || __builtin_mul_overflow(b, y, &q) || __builtin_add_overflow(p, q, &r))
    throw Overflow{};
  return r;
}
Int128 MulAdd(Int128 a, Int128 x, Int128 b, Int128 y) {
  Int128 p = 0, q = 0, r = 0;
  if (__builtin_mul_overflow(a, x, &p) || __builtin_mul_overflow(b, y, &q) || __builtin_add_overflow(p, q, &r))
    throw Overflow{};
  return r;
}
mpz_class MulAdd(const mpz_class& a, const mpz_class& x, const mpz_class& b, const mpz_class& y) {
  return a * x + b * y;
}

int64_t Abs(int64_t v) {
  if (v == INT64_MIN) throw Overflow{};
  return v < 0 ? -v : v;
}
Int128 Abs(Int128 v) {
  if (v == static_cast<Int128>(UInt128{1} << 127)) throw Overflow{};
  return v < 0 ? -v : v;
}
mpz_class Abs(const mpz_class& v) { return abs(v); }

template <class T>
T Gcd(T a, T b) {
  while (b != 0) {
    const T r = a % b;
    a = b;
    b = r;
  }
  return a;
}
mpz_class Gcd(const mpz_class& a, const mpz_class& b) { return gcd(a, b); }

mpz_class ToMpz(int64_t v) { return mpz_class(static_cast<long>(v)); }
mpz_class ToMpz(Int128 v) {
  const bool negative = v < 0;
  const UInt128 u = negative ? -static_cast<UInt128>(v) : static_cast<UInt128>(v);
  mpz_class r(static_cast<unsigned long>(u >> 64));
  r <<= 64;
  r += mpz_class(static_cast<unsigned long>(static_cast<uint64_t>(u)));
  return negative ? mpz_class(-r) : r;
}
mpz_class ToMpz(const mpz_class& v) { return v; }

// One ray of the current cone.
template <class T>
struct Ray {
  std::vector<int32_t> vars;  // the support, increasing variable positions
  std::vector<T> y;           // y[k] > 0: coefficient of vars[k]
  std::vector<int32_t> cols;  // equations not yet eliminated where y.A is non-zero, increasing
  std::vector<T> e;           // e[k] = (y.A)[cols[k]]
  uint64_t sig = 0;           // bit (v mod 64) set for every variable v of the support
};

// A ray in the list of its key variable, with its signature at hand.
struct Posting {
  int32_t id = 0;
  uint64_t sig = 0;
};

// The current cone: its rays and the indexes over them, kept up to date as rays come and go.
template <class T>
struct Cone {
  std::vector<Ray<T>> rays;                  // by id (index of creation); a removed ray is emptied
  std::vector<char> alive;                   // by id: 1 while the ray is in the cone
  size_t live = 0;                           // rays in the cone
  std::vector<int32_t> pos, neg;             // per equation: rays positive / negative there
  std::vector<std::vector<int32_t>> column;  // per equation: ids of rays non-zero there (removed ones dropped lazily)
  std::vector<int32_t> count;                // per variable: rays whose support holds it
  std::vector<std::vector<Posting>> keyed;   // per variable: rays keyed by it (their rarest variable when listed)
  size_t postings = 0;                       // entries of `keyed`, removed rays included
  int32_t eliminated = 0;                    // equations eliminated with rays of both signs
  std::vector<uint32_t> markP, markN;        // per variable: stamp of the positive / negative ray in test
  uint32_t stampP = 0, stampN = 0;
};

// The variable of the support held by the fewest rays.
template <class T>
int32_t Rarest(const Cone<T>& cone, const Ray<T>& ray) {
  int32_t best = ray.vars.front();
  for (int32_t v : ray.vars)
    if (cone.count[static_cast<size_t>(v)] < cone.count[static_cast<size_t>(best)]) best = v;
  return best;
}

// Lists every ray again under its present rarest variable, dropping removed rays.
template <class T>
void Rekey(Cone<T>& cone) {
  for (auto& list : cone.keyed) list.clear();
  cone.postings = 0;
  for (size_t id = 0; id < cone.rays.size(); ++id) {
    if (!cone.alive[id] || cone.rays[id].vars.empty()) continue;
    cone.keyed[static_cast<size_t>(Rarest(cone, cone.rays[id]))].push_back({static_cast<int32_t>(id), cone.rays[id].sig});
    ++cone.postings;
  }
}

// Drops the removed rays: the rays of the cone take the ids 0, 1, ... in their order, and the
// lists of the equations and of the key variables are built anew.
template <class T>
void Compact(Cone<T>& cone) {
  std::vector<Ray<T>> rays;
  rays.reserve(cone.live);
  for (size_t id = 0; id < cone.rays.size(); ++id)
    if (cone.alive[id]) rays.push_back(std::move(cone.rays[id]));
  cone.rays = std::move(rays);
  cone.alive.assign(cone.rays.size(), 1);
  for (auto& list : cone.column) list.clear();
  for (size_t id = 0; id < cone.rays.size(); ++id)
    for (int32_t c : cone.rays[id].cols) cone.column[static_cast<size_t>(c)].push_back(static_cast<int32_t>(id));
  Rekey(cone);
}

template <class T>
void AddRay(Cone<T>& cone, Ray<T> ray) {
  const int32_t id = static_cast<int32_t>(cone.rays.size());
  for (int32_t v : ray.vars) ++cone.count[static_cast<size_t>(v)];
  for (size_t k = 0; k < ray.cols.size(); ++k) {
    const size_t c = static_cast<size_t>(ray.cols[k]);
    ++(ray.e[k] > 0 ? cone.pos[c] : cone.neg[c]);
    cone.column[c].push_back(id);
  }
  if (!ray.vars.empty()) {
    cone.keyed[static_cast<size_t>(Rarest(cone, ray))].push_back({id, ray.sig});
    ++cone.postings;
  }
  cone.rays.push_back(std::move(ray));
  cone.alive.push_back(1);
  ++cone.live;
}

template <class T>
void RemoveRay(Cone<T>& cone, int32_t id) {
  Ray<T>& ray = cone.rays[static_cast<size_t>(id)];
  for (int32_t v : ray.vars) --cone.count[static_cast<size_t>(v)];
  for (size_t k = 0; k < ray.cols.size(); ++k) --(ray.e[k] > 0 ? cone.pos : cone.neg)[static_cast<size_t>(ray.cols[k])];
  ray = Ray<T>{};
  cone.alive[static_cast<size_t>(id)] = 0;
  --cone.live;
}

// The next equation: the smallest product of positive and negative counts, then the fewest
// rays, then the lowest position; -1 when every ray is zero on every equation.
template <class T>
int32_t ChooseEquation(const Cone<T>& cone) {
  int32_t best = -1;
  uint64_t bestProduct = 0, bestTotal = 0;
  for (size_t c = 0; c < cone.pos.size(); ++c) {
    const uint64_t p = static_cast<uint64_t>(cone.pos[c]), n = static_cast<uint64_t>(cone.neg[c]);
    if (p + n == 0) continue;
    if (best < 0 || p * n < bestProduct || (p * n == bestProduct && p + n < bestTotal)) {
      best = static_cast<int32_t>(c);
      bestProduct = p * n;
      bestTotal = p + n;
    }
  }
  return best;
}

// The value of ray `id` in equation c (non-zero: the ray is listed there).
template <class T>
const T& ValueAt(const Ray<T>& ray, int32_t c) {
  const auto it = std::lower_bound(ray.cols.begin(), ray.cols.end(), c);
  return ray.e[static_cast<size_t>(it - ray.cols.begin())];
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
  const Ray<T>& rp = cone.rays[static_cast<size_t>(p)];
  const Ray<T>& rn = cone.rays[static_cast<size_t>(n)];
  const uint32_t sp = cone.stampP, sn = NextStamp(cone.markN, cone.stampN);
  for (int32_t v : rn.vars) cone.markN[static_cast<size_t>(v)] = sn;
  const uint64_t outside = ~(rp.sig | rn.sig);
  auto inUnion = [&](int32_t v) {
    return cone.markP[static_cast<size_t>(v)] == sp || cone.markN[static_cast<size_t>(v)] == sn;
  };
  auto search = [&](int32_t v) {
    for (const Posting& q : cone.keyed[static_cast<size_t>(v)]) {
      if ((q.sig & outside) != 0 || q.id == p || q.id == n || !cone.alive[static_cast<size_t>(q.id)]) continue;
      const Ray<T>& r = cone.rays[static_cast<size_t>(q.id)];
      if (std::all_of(r.vars.begin(), r.vars.end(), inUnion)) return true;
    }
    return false;
  };
  for (int32_t v : rp.vars)
    if (search(v)) return false;
  for (int32_t v : rn.vars)
    if (cone.markP[static_cast<size_t>(v)] != sp && search(v)) return false;
  return true;
}

// The size of the union of two increasing lists.
size_t UnionSize(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
  size_t common = 0;
  for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (a[i] < b[j]) {
      ++i;
    } else if (b[j] < a[i]) {
      ++j;
    } else {
      ++common;
      ++i;
      ++j;
    }
  }
  return a.size() + b.size() - common;
}

// The positive combination of p and n that is zero in equation c, divided by its gcd.
template <class T>
Ray<T> Combine(const Ray<T>& p, const Ray<T>& n, int32_t c) {
  T a = Abs(ValueAt(n, c)), b = Abs(ValueAt(p, c));
  const T g = Gcd(a, b);
  a /= g;
  b /= g;
  const T zero = 0;
  Ray<T> r;
  r.sig = p.sig | n.sig;
  const size_t vars = UnionSize(p.vars, n.vars), cols = UnionSize(p.cols, n.cols);
  r.vars.reserve(vars);
  r.y.reserve(vars);
  r.cols.reserve(cols);
  r.e.reserve(cols);
  for (size_t i = 0, j = 0; i < p.vars.size() || j < n.vars.size();) {
    const bool fromP = j == n.vars.size() || (i < p.vars.size() && p.vars[i] <= n.vars[j]);
    const bool fromN = i == p.vars.size() || (j < n.vars.size() && n.vars[j] <= p.vars[i]);
    r.vars.push_back(fromP ? p.vars[i] : n.vars[j]);
    r.y.push_back(MulAdd(a, fromP ? p.y[i] : zero, b, fromN ? n.y[j] : zero));
    i += fromP;
    j += fromN;
  }
  for (size_t i = 0, j = 0; i < p.cols.size() || j < n.cols.size();) {
    const bool fromP = j == n.cols.size() || (i < p.cols.size() && p.cols[i] <= n.cols[j]);
    const bool fromN = i == p.cols.size() || (j < n.cols.size() && n.cols[j] <= p.cols[i]);
    const int32_t col = fromP ? p.cols[i] : n.cols[j];
    T value = MulAdd(a, fromP ? p.e[i] : zero, b, fromN ? n.e[j] : zero);
    i += fromP;
    j += fromN;
    if (col == c || value == 0) continue;
    r.cols.push_back(col);
    r.e.push_back(std::move(value));
  }
  T d = 0;
  for (const T& v : r.y) d = Gcd(d, v);
  if (d > 1) {
    for (T& v : r.y) v /= d;
    for (T& v : r.e) v /= d;
  }
  return r;
}

// The rays positive and negative in equation c; the list of the equation is used up.
template <class T>
void Split(Cone<T>& cone, int32_t c, std::vector<int32_t>& P, std::vector<int32_t>& N) {
  for (int32_t id : cone.column[static_cast<size_t>(c)]) {
    if (!cone.alive[static_cast<size_t>(id)]) continue;
    (ValueAt(cone.rays[static_cast<size_t>(id)], c) > 0 ? P : N).push_back(id);
  }
  std::vector<int32_t>().swap(cone.column[static_cast<size_t>(c)]);
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
    for (int32_t v : cone.rays[static_cast<size_t>(id)].vars) total += cone.keyed[static_cast<size_t>(v)].size();
  return total;
}

// The adjacency test of one step over a bit-pattern tree of all rays of the cone.
template <class T>
struct TreeTest {
  PatternTree tree;
  std::vector<uint32_t> slot;  // by ray id: its member number in the tree
  std::vector<uint64_t> set;   // scratch: the union of two supports
  std::vector<int32_t> stack;  // scratch of the search
  int64_t witness = -1;        // the member that last showed a pair not adjacent

  explicit TreeTest(const Cone<T>& cone) : slot(cone.rays.size(), 0) {
    std::vector<const std::vector<int32_t>*> supports;
    supports.reserve(cone.live);
    for (size_t id = 0; id < cone.rays.size(); ++id) {
      if (!cone.alive[id]) continue;
      slot[id] = static_cast<uint32_t>(supports.size());
      supports.push_back(&cone.rays[id].vars);
    }
    tree = BuildPatternTree(supports, cone.count.size());
  }
  bool Adjacent(int32_t p, int32_t n) {
    const uint32_t a = slot[static_cast<size_t>(p)], b = slot[static_cast<size_t>(n)];
    UnionOf(tree, a, b, set);
    const uint32_t w = static_cast<uint32_t>(witness);
    if (witness >= 0 && w != a && w != b && Inside(tree, w, set)) return false;
    const int64_t found = MemberInside(tree, set, a, b, stack);
    if (found >= 0) witness = found;
    return found < 0;
  }
};

// One step: every adjacent pair of a positive and a negative ray in equation c gives a new ray;
// then the rays non-zero in c leave the cone.
template <class T>
void Eliminate(Cone<T>& cone, int32_t c) {
  std::vector<int32_t> P, N;
  Split(cone, c, P, N);
  std::vector<Ray<T>> fresh;
  if (!P.empty() && !N.empty()) {
    const size_t bound = static_cast<size_t>(++cone.eliminated) + 1;
    std::unique_ptr<TreeTest<T>> tree;
    if (P.size() * N.size() >= kTreePairs && P.size() * N.size() * ListedUnder(cone, P[0], N[0]) >= 4 * cone.live)
      tree = std::make_unique<TreeTest<T>>(cone);
    for (int32_t p : P) {
      const Ray<T>& rp = cone.rays[static_cast<size_t>(p)];
      const uint32_t sp = NextStamp(cone.markP, cone.stampP);
      for (int32_t v : rp.vars) cone.markP[static_cast<size_t>(v)] = sp;
      for (int32_t n : N) {
        const Ray<T>& rn = cone.rays[static_cast<size_t>(n)];
        if (rp.vars.size() + rn.vars.size() > bound) {
          size_t common = 0;
          for (int32_t v : rn.vars) common += cone.markP[static_cast<size_t>(v)] == sp;
          if (rp.vars.size() + rn.vars.size() - common > bound) continue;
        }
        if (tree ? tree->Adjacent(p, n) : Adjacent(cone, p, n)) fresh.push_back(Combine(rp, rn, c));
      }
    }
  }
  for (int32_t id : P) RemoveRay(cone, id);
  for (int32_t id : N) RemoveRay(cone, id);
  for (Ray<T>& r : fresh) AddRay(cone, std::move(r));
  if (cone.rays.size() > 2 * cone.live + 1024) Compact(cone);
  else if (cone.postings > 2 * cone.live + 1024) Rekey(cone);
}

// The cone of the unit vectors: ray i is variable i with its row of A as equation part.
template <class T>
Cone<T> Start(const SparseSystem& system) {
  Cone<T> cone;
  const size_t m = system.rows.size();
  cone.pos.assign(system.equations, 0);
  cone.neg.assign(system.equations, 0);
  cone.column.resize(system.equations);
  cone.count.assign(m, 0);
  cone.keyed.resize(m);
  cone.markP.assign(m, 0);
  cone.markN.assign(m, 0);
  for (size_t i = 0; i < m; ++i) {
    Ray<T> r;
    r.vars = {static_cast<int32_t>(i)};
    r.y = {T(1)};
    r.sig = uint64_t{1} << (i % 64);
    for (const auto& [col, value] : system.rows[i]) {
      r.cols.push_back(col);
      r.e.push_back(T(value));
    }
    AddRay(cone, std::move(r));
  }
  return cone;
}

template <class T>
std::vector<Semiflow> Solve(const SparseSystem& system) {
  Cone<T> cone = Start<T>(system);
  for (int32_t c; (c = ChooseEquation(cone)) >= 0;) Eliminate(cone, c);
  std::vector<Semiflow> result;
  for (size_t id = 0; id < cone.rays.size(); ++id) {
    if (!cone.alive[id]) continue;
    const Ray<T>& r = cone.rays[id];
    Semiflow s;
    for (size_t k = 0; k < r.vars.size(); ++k) s.emplace_back(r.vars[k], ToMpz(r.y[k]));
    result.push_back(std::move(s));
  }
  return result;
}

}  // namespace

std::vector<Semiflow> ExtremeRays(const SparseSystem& system) {
  try {
    try {
      return Solve<int64_t>(system);
    } catch (const Overflow&) {
    }
    try {
      return Solve<Int128>(system);
    } catch (const Overflow&) {
    }
    return Solve<mpz_class>(system);
  } catch (const std::bad_alloc&) {
    FailMemory("rays");
  }
}

}  // namespace pelorin
