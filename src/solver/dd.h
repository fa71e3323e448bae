// Minimal-support semiflows: the extreme rays of the cone {y >= 0 : y.A = 0}, each scaled to
// coefficients with gcd 1. Unlike the generating set of `Toudic`, this set is unique: it is the
// smallest set from which every non-negative solution is a non-negative combination.
//
// MinimalSemiflows(matrix, output) solves the lines "row column value" of a sparse matrix (rows
// are the variables, columns the equations, repeated cells add up) and writes the solution file
// `output` (made before the solving starts) in the format "%d %d %s\n": solution number (1, 2,
// ...), row number of the variable, coefficient in decimal, of any size. Canonical order: the
// variables of a solution by increasing row number; the solutions by their sequences of row
// numbers (lexicographically, a prefix first), then by their coefficients. Example:
//     matrix       output
//     1 1 -1       1 1 1
//     2 1 1        1 2 1
//     3 1 -2       2 2 2
//                  2 3 1
//
// MinimalSupports(vectors, output) takes non-negative vectors (the lines of a basis, "row column
// value" with repeated cells added up, or vectors with coefficients of any size), divides each
// by the gcd of its coefficients and writes, in the canonical order above and numbered from 1,
// those whose support contains no other vector's support (of equal vectors one). Applied to any
// generating set of the cone, it gives exactly the minimal-support semiflows.
//
// The method (double description over sparse rows). Variables with equal rows are taken once,
// and the rays expanded over them at the end (ParallelClasses below). A ray pairs its variable
// part y (sparse, the support) with its equation part y.A over the equations not yet
// eliminated; the rays start as the unit vectors. Each step eliminates an equation whose step
// cannot grow the cone (single-sign equations, whose rays cannot take part in a solution and are
// dropped; one ray on a side; two on each) while there is one, else the equation with the
// smallest product of positive and negative ray counts. A positive ray p and a negative ray n are
// combined only when they are adjacent: the union of their supports has at most one variable
// more than the equations eliminated with both signs so far, and no third ray's support lies
// inside it. So every ray formed is extreme, and none is formed twice. The rays are stored flat
// (raystore.h, in huge pages where the system offers them); small steps test adjacency on the
// rays listed by their rarest variable (supportindex.h), large ones on a bit-pattern tree
// (ddtree.h), trying first the rays that last showed a pair not adjacent. The arithmetic is
// exact: checked 64-bit first; when a value leaves that range the solution is computed again in
// 128 bits, then in GMP integers, so a result is never wrong and never refused for the size of a
// number.
//
// The forms. The same cone has other systems: a lattice form (latticeform.h) holds one dependent
// variable per equation, so that its cones are cones in the space of the flows, of dimension
// variables - rank(A), with the steps ordered to cut first. On some systems the cone of the
// system itself grows a million times beyond the answer where a lattice form stays small, on
// others the other way round. So the system runs alone until it has examined eight pairs of rays
// per variable and per entry of A (most systems end there); then its two lattice forms (the first
// or the last variables left free) join, and the three runs take turns one step at a time, the
// one that has examined the fewest pairs once its next step is done going next. The first to
// finish gives the rays; a run that overflows, meets the limit or runs out of memory stops and
// the others go on, except that a run of the system itself out of memory beside the others runs
// again alone, with all the memory it had before the forms joined.
//
// Failures: the solution file cannot be made, "*** error open file %s\n", exit code 2; memory,
// "*** not enough memory for rays\n", exit code 1.
#pragma once

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "matrix/progress.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "solver/hugepages.h"

namespace pelorin {

// A system y.A = 0: one sparse row of A per variable, entries (equation position, value) with
// positions in 0..equations-1, increasing and distinct within a row, values non-zero.
struct SparseSystem {
  size_t equations = 0;
  std::vector<std::vector<std::pair<int32_t, int64_t>>> rows;
};

// A semiflow: (variable or element number, coefficient) by increasing number, coefficients > 0.
// The coefficients are checked 64-bit integers while every value of the computation fits, else
// GMP integers.
template <class C>
using SemiflowOf = std::vector<std::pair<int32_t, C>>;
using Semiflow = SemiflowOf<mpz_class>;
using Semiflow64 = SemiflowOf<int64_t>;

// Semiflows held flat, for the large sets of the solver: one block for all entries rather than
// one per semiflow. Semiflow i holds entries[begin[i] .. begin[i + 1]).
template <class C>
struct SemiflowSet {
  using Entry = std::pair<int32_t, C>;
  HugeVector<Entry> entries;
  std::vector<size_t> begin = {0};
  size_t size() const { return begin.size() - 1; }
  std::span<Entry> operator[](size_t i) { return {entries.data() + begin[i], begin[i + 1] - begin[i]}; }
  std::span<const Entry> operator[](size_t i) const { return {entries.data() + begin[i], begin[i + 1] - begin[i]}; }
  // Ends the semiflow made of the entries appended since the last one.
  void Close() { begin.push_back(entries.size()); }
};

// The forms of the system that a solution runs side by side (see ExtremeRays): the system
// itself, and its lattice forms with the first or the last variables free (latticeform.h).
enum SolverForms : unsigned { kSystemForm = 1, kFirstFreeForm = 2, kLastFreeForm = 4, kEveryForm = 7 };

// The largest cone a solution may build: rays, and their entries (support and equation parts);
// the observer told of each equation eliminated (stage "solving"), when there is one; and the
// forms it runs.
struct ConeLimit {
  size_t rays = SIZE_MAX;
  size_t entries = SIZE_MAX;
  ProgressObserver* progress = nullptr;
  unsigned forms = kEveryForm;
};

// Thrown by the solver when a cone would grow beyond the limit it was given.
struct ConeLimitExceeded {};

// The extreme rays of {y >= 0 : y.A = 0}, variables named by their row positions, gcd 1 each,
// in no particular order. Ends the run with the memory message when memory runs out; throws
// ConeLimitExceeded when a cone of the elimination would grow beyond `limit`.
std::vector<Semiflow> ExtremeRays(const SparseSystem& system, ConeLimit limit = {});

// Variables whose rows of A are equal (parallel places, or parallel transitions): an extreme ray
// holds at most one variable of such a class (with two, moving the weight of one to the other
// empties one of them), and every choice of one variable per class of its support gives another
// one. So the rays are those of the system with one variable per class, each expanded into its
// choices; a net with many parallel nodes has a cone far smaller than its set of rays.
struct ParallelClasses {
  SparseSystem reduced;                       // one row per class: the row of its variables
  std::vector<std::vector<int32_t>> members;  // per class (in order of first variable): its variables
};
// Ends the run with the memory message of the rays when memory runs out.
ParallelClasses ParallelClassesOf(const SparseSystem& system);

// The rays of the system from `rays`, those of its reduced system (variables named by class):
// every choice of one member per class of a ray's support, with the ray's coefficients. Throws
// ConeLimitExceeded when they would number or hold more than `limit`; when they cannot be held
// in memory, ends the run at once with "*** not enough memory for rays: N minimal semiflows;
// --classes writes them compactly\n" (N their exact number), exit code 1.
template <class C>
SemiflowSet<C> ExpandParallel(SemiflowSet<C> rays, const ParallelClasses& classes, ConeLimit limit);

// The same in two parts, on the system's classes: the computation in 64 bits, which gives
// nothing when a value leaves that range, and the computation in 128 bits, then GMP.
// The 64-bit computation's rays have 32-bit coefficients when every one fits there.
using Rays64 = std::variant<SemiflowSet<int32_t>, SemiflowSet<int64_t>>;
std::optional<Rays64> ExtremeRays64(const ParallelClasses& classes, ConeLimit limit = {});
SemiflowSet<mpz_class> ExtremeRaysWide(const ParallelClasses& classes, ConeLimit limit = {});

// Calls finish(rays) with the extreme rays as a SemiflowSet, with 32-bit or 64-bit coefficients
// when they fit, and returns its result.
template <class Finish>
auto WithExtremeRays(const SparseSystem& system, ConeLimit limit, Finish&& finish) {
  const ParallelClasses classes = ParallelClassesOf(system);
  if (std::optional<Rays64> narrow = ExtremeRays64(classes, limit))
    return std::visit([&](auto& rays) { return finish(rays); }, *narrow);
  SemiflowSet<mpz_class> wide = ExtremeRaysWide(classes, limit);
  return finish(wide);
}


// The members of `vectors` (non-negative, divided here by their gcd; zero vectors dropped)
// whose support contains no other member's support, one of equal ones (the first of the
// smallest size).
template <class C>
std::vector<SemiflowOf<C>> MinimalSupportMembers(std::vector<SemiflowOf<C>> vectors);

// The vectors of solution lines "row column value", fed in file order: grouped by row number
// (first appearance), entries by increasing column number, repeated cells added up.
template <class C>
struct VectorsOfLines {
  IndexList rows;
  std::vector<SemiflowOf<C>> vectors;
  void Add(int32_t row, int32_t col, C value);
  // The vectors, once every line is added.
  std::vector<SemiflowOf<C>> Take();
};

// The lines "row column value" as a system: variables are the row numbers, equations the column
// numbers, both in order of first appearance, repeated cells added up; `rows` receives the row
// numbers.
SparseSystem SystemOf(const std::vector<Element>& matrix, IndexList& rows);

// The system of the lines of a matrix and the solution file it is solved into, made first;
// `rows` numbers the system's variables.
struct SolverFiles {
  IndexList rows;
  SparseSystem system;
  File out;
};
SolverFiles OpenSolverFiles(const std::vector<Element>& matrix, const std::string& output);

// The canonical order (numbers of the support, lexicographically with a prefix first, then the
// coefficients) of a SemiflowSet or a vector of semiflows, which stays in place: sorts the
// entries of each semiflow by number and returns the semiflows' positions in that order.
template <class Set>
std::vector<size_t> CanonicalOrder(Set& set);

// Writes the semiflows of a SemiflowSet or a vector in the given order, numbered from 1,
// "%d %d %s\n" per coefficient; returns the digest of the lines written.
template <class Set>
SolutionDigest WriteSemiflows(std::FILE* file, const Set& set, const std::vector<size_t>& order);

// The same two stages on the lines of the files in memory (MinimalSemiflows' lines numbered
// like its file, MinimalSupports' likewise), for the composition chain. Its lines carry 32-bit
// numbers: a coefficient beyond that range ends with "*** integer overflow\n", exit code 5.
// `limit` is passed on to ExtremeRays.
std::vector<Element> MinimalSemiflowsOf(const std::vector<Element>& matrix, ConeLimit limit = {});
std::vector<Element> MinimalSupportsOf(const std::vector<Element>& vectors);

// The stages described above; each returns the digest of the file it wrote. MinimalSemiflows
// tells `progress` of the equations eliminated, when given.
SolutionDigest MinimalSemiflows(const std::vector<Element>& matrix, const std::string& output,
                                ProgressObserver* progress = nullptr);
SolutionDigest MinimalSupports(std::vector<Semiflow> vectors, const std::string& output);

// MinimalSupports of the lines of a basis (a composed basis in memory).
SolutionDigest MinimalSupports(const std::vector<Element>& vectors, const std::string& output);

}  // namespace pelorin
