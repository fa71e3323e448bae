// The file forms of the stages (stagefiles.h).
#include "support/stagefiles.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "compose/minimalbasis.h"
#include "compose/product.h"
#include "compose/unitsolutions.h"
#include "decompose/decomposition.h"
#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin::test {

namespace {

// A contact place list: the number of subnets on its first line, then the entries.
void WriteContactFile(const std::string& name, int32_t subnets, const std::vector<Element>& entries) {
  File out = OpenFile(name, "w");
  std::fprintf(out.get(), "%d\n", subnets);
  for (const Element& e : entries) WriteElement(out.get(), e.row, e.col, e.value);
  CloseFile(out, name);
}

}  // namespace

int DecomposeIntoFSN(const std::string& matrix) {
  const Decomposition d = DecompositionOf(ReadElementsFile(matrix, CommentRule::kHashOrSemicolon));
  WriteElementsFile(matrix + ".p", d.graph);
  WriteContactFile(matrix + ".z", d.count, d.contacts);
  for (int32_t i = 1; i <= d.count; ++i)
    WriteElementsFile(matrix + ".z" + std::to_string(i), d.subnets[static_cast<size_t>(i - 1)]);
  return d.count;
}

void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result) {
  std::vector<Element> found = ReadElementsFile(solutions);
  const std::vector<Element> unit = ReadElementsFile(units);
  WriteElementsFile(result, WithUnitSolutions(std::move(found), unit));
}

void MultiplySPM(const std::string& left, const std::string& right, const std::string& product) {
  std::vector<Element> a = ReadElementsFile(left);
  std::vector<Element> b = ReadElementsFile(right);
  WriteElementsFile(product, *ProductOf(std::move(a), std::move(b)));
}

void MinimizeBasis(const std::string& input, const std::string& output) {
  WriteElementsFile(output, MinimalBasisOf(ReadElementsFile(input)));
}

}  // namespace pelorin::test
