// The file forms of the stages (stagefiles.h).
#include "support/stagefiles.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "compose/compositionsystem.h"
#include "compose/fusionstep.h"
#include "compose/jointmatrix.h"
#include "compose/minimalbasis.h"
#include "compose/product.h"
#include "compose/unitsolutions.h"
#include "decompose/decomposition.h"
#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "support/subnetfiles.h"

namespace pelorin::test {

namespace {

// The basis file of subnet i: base + ".i" + i.
std::string SubnetBasisName(const std::string& base, int32_t i) { return base + ".i" + std::to_string(i); }

// The bases B.i1 .. B.in of the subnets of a contact place list, in order.
std::vector<std::vector<Element>> ReadBases(const std::string& base, const ContactList& list) {
  std::vector<std::vector<Element>> bases;
  for (int32_t i = 1; i <= list.subnets; ++i) bases.push_back(ReadElementsFile(SubnetBasisName(base, i)));
  return bases;
}

Bases Pointers(const std::vector<std::vector<Element>>& bases) {
  Bases pointers;
  for (const std::vector<Element>& basis : bases) pointers.push_back(&basis);
  return pointers;
}

// The fusion set of line `step`; an empty set or a member 0 ends the run.
std::vector<int> ReadFusion(const std::string& name, int step) {
  std::string line;
  ReadFusionSet(name, step, line);
  std::vector<int> members = WithMemory("fu", [&] { return FusionMembers(line); });
  const std::string where = "line " + std::to_string(std::max(step, 1)) + " of file " + name + "\n";
  if (members.empty()) Fail(kExitFile, "*** empty fusion set in " + where);
  for (int member : members)
    if (member == 0) Fail(kExitFile, "*** subnet 0 in fusion set of " + where);
  return members;
}

}  // namespace

int DecomposeIntoFSN(const std::string& matrix) {
  const Decomposition d = DecompositionOf(ReadElementsFile(matrix, CommentRule::kHashOrSemicolon));
  ContactList contacts{d.count, {}};
  for (const Element& e : d.contacts) contacts.entries.push_back({e.row, e.col, e.value});
  WriteElementsFile(matrix + ".p", d.graph);
  WriteContactList(matrix + ".z", contacts.subnets, contacts.entries);
  for (int32_t i = 1; i <= d.count; ++i)
    WriteElementsFile(matrix + ".z" + std::to_string(i), d.subnets[static_cast<size_t>(i - 1)]);
  return d.count;
}

void CreateCompositionSystem(const std::string& base) {
  const ContactList list = ReadContactList(base + ".z");
  const std::vector<std::vector<Element>> bases = ReadBases(base, list);
  const CompositionSystem system = CompositionSystemOf(list, Pointers(bases));
  WriteElementsFile(base + ".s", system.system);
  WriteElementsFile(base + ".u", system.units);
}

void AddUnitSolutions(const std::string& solutions, const std::string& units, const std::string& result) {
  std::vector<Element> found = ReadElementsFile(solutions);
  const std::vector<Element> unit = ReadElementsFile(units);
  WriteElementsFile(result, WithUnitSolutions(std::move(found), unit));
}

void ComposeJointMatrix(const std::string& base) {
  const ContactList list = ReadContactList(base + ".z");
  const std::vector<std::vector<Element>> bases = ReadBases(base, list);
  WriteElementsFile(base + ".g", JointMatrixOf(list, Pointers(bases)));
}

void MultiplySPM(const std::string& left, const std::string& right, const std::string& product) {
  std::vector<Element> a = ReadElementsFile(left);
  std::vector<Element> b = ReadElementsFile(right);
  WriteElementsFile(product, *ProductOf(std::move(a), std::move(b)));
}

void MinimizeBasis(const std::string& input, const std::string& output) {
  WriteElementsFile(output, MinimalBasisOf(ReadElementsFile(input)));
}

int CollapseOfGraph(CollapseStrategy strategy, const std::string& graph, const std::string& sequence) {
  File in = OpenFile(graph, "r");
  File out = OpenFile(sequence, "w");
  const std::vector<Element> arcs = ReadElements(in.get(), graph, CommentRule::kSemicolon);
  CollapseRandom random;
  const std::vector<std::vector<int>> steps = CollapseSequenceOf(strategy, arcs, random);
  for (const std::vector<int>& step : steps) std::fprintf(out.get(), "%d %d\n", step[0], step[1]);
  CloseFile(out, sequence);
  return static_cast<int>(steps.size());
}

int FilterContactPlaces(const std::string& base, int step) {
  RemainingContacts remaining = MakeRemainingContacts(ReadContactList(base + ".y"));
  const std::vector<int> members = ReadFusion(base + ".t", step);
  const ContactList taken = TakeFusionStep(remaining, members);
  WriteContactList(base + ".z", taken.subnets, taken.entries);
  WriteContactList(base + ".y", remaining.subnets, remaining.entries, &remaining.taken);
  return members[0];
}

}  // namespace pelorin::test
