// The equations of a cone rewritten in the lattice of its flows, for the minimal-support solver.
//
// The cone {y >= 0 : y.A = 0} depends only on the space spanned by the columns of A, so A may be
// replaced by any matrix whose columns span the same space. LatticeFormOf gives the one in
// reduced column echelon form: each of its rank(A) equations holds one variable of its own, its
// dependent variable (with a positive coefficient), that no other equation holds; every other
// variable it holds is free. The k = variables - rank(A) free variables determine the rest:
// the flows are the vectors y with y_free arbitrary and each dependent variable fixed by its
// equation. Over this system the double description starts from the k free unit vectors, the
// simplicial cone {y_free >= 0} in the k-dimensional space of flows, and each step adds one sign
// constraint y_d >= 0 (the unit vector of d joins the cone through its own equation only, and
// with every ray on the positive side of that constraint it is adjacent). So the cones in hand
// are cones in the space of flows, however many variables the system has.
//
// The free variables are chosen by `prefer`: the dependent variables are taken greedily from
// the other end of the numbering (kFirst leaves the first variables free), each pivot at the
// smallest coefficient in size, then in the equation with the fewest entries. The elimination
// is fraction-free, each equation divided by the gcd of its coefficients, in checked 64-bit
// arithmetic.
//
// Example: y1 - y2 = 0 and y2 + y3 - y4 = 0 (rank 2). With kFirst, y4 becomes the dependent
// variable of the second equation, y3 has no equation left and stays free, y2 becomes the
// dependent variable of the first, and is eliminated from the second; the form is
//     y2 - y1 = 0,  y4 - y1 - y3 = 0     (free: y1, y3)
//
// Returns nothing when a coefficient leaves the 64-bit range or the form would hold more than
// `maxEntries` entries; the solver then keeps the system as it is.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "solver/dd.h"

namespace pelorin {

enum class FreeVariables { kFirst, kLast };

struct LatticeForm {
  SparseSystem system;            // one equation per dependent variable
  std::vector<int32_t> dependent;  // per equation: its dependent variable
};

std::optional<LatticeForm> LatticeFormOf(const SparseSystem& system, FreeVariables prefer, size_t maxEntries);

}  // namespace pelorin
