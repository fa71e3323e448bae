// The file forms of the solvers (solverfiles.h).
#include "support/solverfiles.h"

#include <utility>
#include <vector>

#include "matrix/failure.h"
#include "matrix/textfile.h"
#include "solver/dd.h"
#include "solver/toudic.h"

namespace pelorin::test {

namespace {

// The vectors of a basis file (VectorsOfLines), with coefficients of any size.
std::vector<Semiflow> ReadVectors(const std::string& name) {
  File in = OpenFile(name, "r");
  return WithMemory("rays", [&] {
    VectorsOfLines<mpz_class> lines;
    ForEachWideElement(in.get(), name, true, [&](const WideElement& e) { lines.Add(e.row, e.col, mpz_class(e.value)); });
    return lines.Take();
  });
}

}  // namespace

void Toudic(const std::string& input, const std::string& output) {
  const std::vector<Element> matrix = WithMemory("rows,cols", [&] { return ReadElementsFile(input); });
  pelorin::Toudic(matrix, output);
}

SolutionDigest MinimalSemiflows(const std::string& input, const std::string& output) {
  const std::vector<Element> matrix = WithMemory("rays", [&] { return ReadElementsFile(input); });
  return pelorin::MinimalSemiflows(matrix, output);
}

SolutionDigest MinimalSupports(const std::string& input, const std::string& output) {
  return pelorin::MinimalSupports(ReadVectors(input), output);
}

}  // namespace pelorin::test
