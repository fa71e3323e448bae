// pelorin_check MATRIX SOLUTION [OTHER_SOLUTION]: checks a solution file against its matrix
// (semiflows, positive coefficients, no solution above another) and, given a second solution
// file, that both have the same minimal-support semiflows. Prints "ok" or what is wrong; the
// exit code is 0 only for "ok". Used by the corpus run.
#include <cstdio>
#include <string>

#include "matrix/failure.h"
#include "support/semiflows.h"

int main(int argc, char** argv) {
  using namespace pelorin::test;
  if (argc < 3) {
    std::puts("usage: pelorin_check MATRIX SOLUTION [OTHER_SOLUTION]");
    return 2;
  }
  try {
    std::string problem = CheckBasis(argv[1], argv[2]);
    if (problem.empty() && argc > 3) {
      problem = CheckBasis(argv[1], argv[3]);
      if (problem.empty() && MinimalSupportSemiflows(ReadBasis(argv[2])) != MinimalSupportSemiflows(ReadBasis(argv[3])))
        problem = "the minimal-support semiflows differ";
    }
    std::printf("%s %zu\n", problem.empty() ? "ok" : problem.c_str(), ReadBasis(argv[2]).size());
    return problem.empty() ? 0 : 1;
  } catch (const pelorin::Failure& failure) {
    return pelorin::ReportFailure(failure) == 0 ? 1 : 3;
  }
}
