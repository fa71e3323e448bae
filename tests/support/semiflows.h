// Independent checks of solution files, for tests and the corpus run: every solution is a
// semiflow of the matrix, with positive coefficients, and none lies above another; and the
// comparison of two generating sets by their minimal-support semiflows.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pelorin::test {

// One solution: element number -> coefficient.
using Vector = std::map<int32_t, int64_t>;

// The solutions of a solution file, in order of their numbers.
std::vector<Vector> ReadBasis(const std::string& solutionFile);

// "" when every solution y of `solutionFile` has y.A = 0 for the matrix file A (rows are the
// elements), only positive coefficients and lies above no other solution; else what is wrong.
std::string CheckBasis(const std::string& matrixFile, const std::string& solutionFile);

// The solutions whose support contains no other solution's support, each divided by the gcd of
// its coefficients: the minimal-support semiflows a generating set must contain.
std::set<Vector> MinimalSupportSemiflows(const std::vector<Vector>& basis);

}  // namespace pelorin::test
