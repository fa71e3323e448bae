// Invariant equations and place bounds ("--json", "--bounds").
//
// The constant of a vector y of place coefficients (any sign) under the initial marking m0 is
// y.m0 = sum of y_p * m0_p; when y.C = 0 (a P-semiflow, or a P-flow of any sign), y.m = y.m0 in
// every reachable marking m. A semiflow (every coefficient >= 0) then bounds each place p of its
// support: m_p <= floor(y.m0 / y_p). The bound of a place is the least of these over the
// semiflows of a solution file and the unit semiflows of the places whose marking no transition
// changes (run/isolated.h): such a place p keeps m0_p, its bound. A place in no semiflow has none.
// Every number is exact at any size (GMP). Example: the semiflows "1 1 1", "1 2 1" (p1 + p2) and "2 2 2", "2 3 1" (2 p2 + p3)
// under m0 = (1, 0, 3) have the constants 1 and 3, and bound p1 by 1, p2 by min(1, 1) = 1, p3 by 3.
//
// WriteBounds(table, solutions, marking, unchanged, output, wide) reads the place name table `table` (as
// writeinv.h reads it) and the solution file `solutions` (lines "semiflow place coefficient", the
// lines of one semiflow together, see matrix/spm.h), and appends to `output` ("-" is standard
// output) the section
//   "PLACE BOUNDS -----------------------------------------------\n\n"   (60 characters)
//   "NAME <= BOUND\n"   for each place with a bound, by place number ("#i" when the table does
//                       not name place i)
//   "%d place(s) without a bound (in no semiflow)\n\n"
// e.g. for the example above, with names p1, p2, p3:
//   "PLACE BOUNDS ---...\n\np1 <= 1\np2 <= 1\np3 <= 3\n0 place(s) without a bound (in no semiflow)\n\n"
// `unchanged` lists the places whose marking no transition changes; each is bounded by its
// initial marking, whether or not the solution file holds its unit semiflow. Places are
// 1 .. marking.size(); a solution line for another element number adds nothing to a constant and
// bounds nothing. A vector with a negative coefficient bounds nothing.
//
// Failures: as in writeinv.h (a file that does not open, exit code 2; a malformed solution line,
// exit code 4; with `wide` false, a coefficient beyond 32 bits, exit code 5).
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// The members of one vector of a solution file: col is the place number (from 1), value the
// coefficient as decimal text.
using VectorMembers = std::vector<WideElement>;

// y.m0 for the vector `members` (coefficients of any sign) and marking[i] = m0 of place i + 1.
mpz_class InvariantConstant(const VectorMembers& members, const std::vector<int32_t>& marking);

// The bounds that semiflows prove, taken one semiflow after the other.
class PlaceBounds {
 public:
  explicit PlaceBounds(size_t places) : bound_(places) {}
  // Bounds the places of `members` by floor(constant / y_p) where that is below their bound so
  // far; a vector with a negative coefficient bounds nothing.
  void Take(const VectorMembers& members, const mpz_class& constant);
  // Takes the unit semiflow of each place of `places` (whose marking no transition changes),
  // with the constant marking[p - 1], its initial marking.
  void TakeUnits(const std::vector<int32_t>& places, const std::vector<int32_t>& marking);
  // The bound of place `place` (from 1), none when no semiflow covers it.
  const std::optional<mpz_class>& Of(size_t place) const { return bound_[place - 1]; }
  size_t Places() const { return bound_.size(); }
  size_t WithoutBound() const;  // the places that no semiflow bounds

 private:
  std::vector<std::optional<mpz_class>> bound_;  // bound_[i]: the bound of place i + 1
};

// `visit`(const VectorMembers&) for every vector of an open solution file, in file order; a
// vector ends where the solution number changes. With `wide` coefficients may have any number of
// digits (ForEachWideElement).
template <class Visit>
void ForEachVector(std::FILE* file, const std::string& fileName, bool wide, Visit&& visit) {
  VectorMembers members;
  ForEachWideElement(file, fileName, wide, [&](const WideElement& e) {
    if (!members.empty() && e.row != members.front().row) {
      visit(std::as_const(members));
      members.clear();
    }
    members.push_back(e);
  });
  if (!members.empty()) visit(std::as_const(members));
}

void WriteBounds(const std::string& table, const std::string& solutions, const std::vector<int32_t>& marking,
                 const std::vector<int32_t>& unchanged, const std::string& output, bool wide);

}  // namespace pelorin
