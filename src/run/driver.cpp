// The invariant computation driver: one chain of values from the matrix file M to its solution
// basis, the same at every debug level. The decomposition, the subnets' bases, the contact
// places, the collapse sequence, the composition system and the composed bases pass from stage
// to stage in memory; the work files named from M are the record of the run (Records below):
// from debug level 2 the run leaves every file of the chain under its name and with its bytes,
// at level 1 the copies of the composition systems and steps, below that nothing but the
// solution. The level decides which records are kept, never a limit, a fallback or a result.
#include "run/driver.h"

#include <cstdio>
#include <set>
#include <utility>

#include "compose/compositionsystem.h"
#include "compose/collapse.h"
#include "compose/fusionstep.h"
#include "compose/unitsolutions.h"
#include "compose/jointmatrix.h"
#include "compose/product.h"
#include "decompose/decomposition.h"
#include "matrix/failure.h"
#include "matrix/spm.h"
#include "compose/contactplaces.h"
#include "matrix/textfile.h"
#include "matrix/lines.h"
#include "run/workfiles.h"
#include "solver/dd.h"
#include "compose/minimalbasis.h"
#include "solver/toudic.h"

namespace pelorin {

namespace {

void Remove(const std::string& name) { std::remove(name.c_str()); }

// Writes a contact place list: its number of subnets, then "place consuming producing" lines.
void WriteContactFile(const std::string& name, int32_t subnets, const std::vector<ContactEntry>& entries,
                      const std::vector<char>* taken = nullptr) {
  File out = OpenFile(name, "w");
  std::fprintf(out.get(), "%d\n", subnets);
  for (size_t k = 0; k < entries.size(); ++k)
    if (taken == nullptr || !(*taken)[k]) WriteElement(out.get(), entries[k].place, entries[k].consuming, entries[k].producing);
  CloseFile(out, name);
}

// The record of one run of the driver on M: each call is what the chain does with a work file.
// The chain's files are written, moved and removed from debug level 2, the copies made from
// level 1; below, the calls do nothing.
class Records {
 public:
  Records(const std::string& m, int debug) : files(m), debug_(debug) {}
  const ChainFiles files;  // the names of the records
  bool KeepsChain() const { return debug_ >= 2; }
  bool KeepsCopies() const { return debug_ > 0; }

  void Lines(const std::string& name, const std::vector<Element>& lines) const {
    if (KeepsChain()) WriteElementsFile(name, lines);
  }
  // A solver's file, made empty before it solves, so that a solution that fails leaves it so.
  void Solving(const std::string& name) const {
    if (KeepsChain()) WriteElementsFile(name, {});
  }
  void Contacts(const std::string& name, const ContactList& list) const {
    if (KeepsChain()) WriteContactFile(name, list.subnets, list.entries);
  }
  void Remaining(const RemainingContacts& remaining) const {
    if (KeepsChain()) WriteContactFile(files.Remaining(), remaining.subnets, remaining.entries, &remaining.taken);
  }
  void Sequence(const std::vector<std::vector<int>>& steps) const {
    if (!KeepsChain()) return;
    File out = OpenFile(files.Sequence(), "w");
    for (const std::vector<int>& step : steps) std::fprintf(out.get(), "%d %d\n", step[0], step[1]);
    CloseFile(out, files.Sequence());
  }
  void Move(const std::string& from, const std::string& to) const {
    if (KeepsChain()) std::rename(from.c_str(), to.c_str());
  }
  void Drop(const std::string& name) const {
    if (KeepsChain()) Remove(name);
  }
  void Append(const std::string& from, const std::string& to) const {
    if (KeepsChain()) CopyFile(from, to, "a");
  }
  void Copy(const std::string& name, const std::vector<Element>& lines) const {
    if (KeepsCopies()) WriteElementsFile(name, lines);
  }

 private:
  int debug_;
};

// The progress of the chain: the solvers' steps, told as those of the part of the chain at work
// ("subnet 3 of 12, solving, ..."), to the run's observer when it has one.
class ChainProgress final : public ProgressObserver {
 public:
  explicit ChainProgress(ProgressObserver* shown) : shown_(shown) {}
  // The part of the chain at work from now on.
  void Enter(const std::string& part) {
    if (shown_ == nullptr) return;
    part_ = part;
    shown_->Step(part_.c_str(), 0, 0, 0);
  }
  void Step(const char* stage, size_t step, size_t steps, size_t rays) override {
    if (shown_ != nullptr) shown_->Step((part_ + ", " + stage).c_str(), step, steps, rays);
  }
  ProgressObserver* Told() { return shown_ == nullptr ? nullptr : this; }

 private:
  ProgressObserver* shown_;
  std::string part_;
};

// "what k of n".
std::string PartOf(const char* what, size_t k, size_t n) {
  return std::string(what) + " " + std::to_string(k) + " of " + std::to_string(n);
}

// What the chain computes with: the solver of every matrix and the bounds of its cones.
struct Method {
  bool minimal = false;  // the minimal-support semiflows rather than Toudic's generating sets
  ConeLimit limit;       // the largest cone in solving a subnet or composition system (minimal)
  ChainProgress* progress = nullptr;
};

// The semiflows of a matrix: Toudic's generating set, or the minimal-support semiflows.
std::vector<Element> Solve(const std::vector<Element>& matrix, const Method& method) {
  ProgressObserver* told = method.progress->Told();
  if (!method.minimal) return GeneratingSetOf(matrix, told);
  ConeLimit limit = method.limit;
  limit.progress = told;
  return MinimalSemiflowsOf(matrix, limit);
}

// The composition chain: the members' bases and their contact places into the minimal composed
// basis; `copy` names the copy of the composition system. For the minimal-support semiflows the
// composed basis is reduced to its minimal supports, and the limit bounds the lines of the product.
std::vector<Element> Chain(const Records& records, const ContactList& list, const Bases& bases,
                           const std::string& copy, const Method& method) {
  std::vector<Element> r;
  {
    const CompositionSystem system = CompositionSystemOf(list, bases);
    records.Lines(records.files.System(), system.system);
    records.Lines(records.files.Units(), system.units);
    records.Copy(copy, system.system);
    records.Solving(records.files.SystemSolutions());
    std::vector<Element> r0 = Solve(system.system, method);
    records.Lines(records.files.SystemSolutions(), r0);
    r = WithUnitSolutions(std::move(r0), system.units);
  }
  records.Lines(records.files.CompletedSolutions(), r);
  std::vector<Element> g = JointMatrixOf(list, bases);
  records.Lines(records.files.JointMatrix(), g);
  method.progress->Step("product", 0, 0, 0);
  std::optional<std::vector<Element>> h0 =
      ProductOf(std::move(r), std::move(g), method.minimal ? method.limit.entries : SIZE_MAX);
  if (!h0) throw ConeLimitExceeded{};
  records.Lines(records.files.ComposedBasis(), *h0);
  method.progress->Step("minimal vectors", 0, 0, 0);
  std::vector<Element> h = method.minimal ? MinimalSupportsOf(*h0) : MinimalBasisOf(std::move(*h0));
  records.Lines(records.files.MinimalBasis(), h);
  return h;
}

// The current subnets of a composition, by number (entry 0 unused): their bases and, while the
// steps' copies are kept, their matrices.
struct Subnets {
  std::vector<std::vector<Element>> basis;
  std::vector<std::vector<Element>> matrix;
  RemainingContacts contacts;  // the contact places between them (sequential composition)
};

// The members' matrices and bases take the numbers 1, 2, ... of the step (the chain's renames).
void RecordMembers(const Records& records, const std::vector<int>& fusionSet) {
  for (size_t j = 1; j <= fusionSet.size(); ++j) {
    const int n = static_cast<int>(j), f = fusionSet[j - 1];
    records.Drop(records.files.SubnetMatrix(n));
    records.Move(records.files.CurrentMatrix(f), records.files.SubnetMatrix(n));
    records.Drop(records.files.SubnetBasis(n));
    records.Move(records.files.CurrentBasis(f), records.files.SubnetBasis(n));
  }
}

// The fusionSet subnet k: its basis and matrix files, and the copies of the step.
void RecordFused(const Records& records, Subnets& net, const std::vector<int>& fusionSet, int step) {
  const int k = fusionSet[0];
  records.Lines(records.files.CurrentBasis(k), net.basis[static_cast<size_t>(k)]);
  records.Drop(records.files.CurrentMatrix(k));
  for (size_t j = 1; j <= fusionSet.size(); ++j) {
    records.Append(records.files.SubnetMatrix(static_cast<int>(j)), records.files.CurrentMatrix(k));
    if (fusionSet[j - 1] != k) {
      records.Drop(records.files.CurrentBasis(fusionSet[j - 1]));
      records.Drop(records.files.CurrentMatrix(fusionSet[j - 1]));
    }
  }
  if (!records.KeepsCopies()) return;
  std::vector<Element> fused;
  for (int f : fusionSet) {
    std::vector<Element>& part = net.matrix[static_cast<size_t>(f)];
    fused.insert(fused.end(), part.begin(), part.end());
    part = {};
  }
  net.matrix[static_cast<size_t>(k)] = std::move(fused);
  records.Copy(records.files.FusedCopy(step), net.matrix[static_cast<size_t>(k)]);
}

// One step of sequential composition: the members of `fusionSet` become the subnet fusionSet[0].
void SequentialStep(const Records& records, Subnets& net, const std::vector<int>& fusionSet, int step,
                    const Method& method) {
  const ContactList list = TakeFusionStep(net.contacts, fusionSet);
  records.Contacts(records.files.Contacts(), list);
  records.Remaining(net.contacts);
  RecordMembers(records, fusionSet);
  Bases members;
  for (int f : fusionSet) members.push_back(&net.basis[static_cast<size_t>(f)]);
  std::vector<Element> composed = Chain(records, list, members, records.files.SystemCopy(step), method);
  records.Copy(records.files.BasisCopy(step), composed);
  for (int f : fusionSet) net.basis[static_cast<size_t>(f)] = {};
  net.basis[static_cast<size_t>(fusionSet[0])] = std::move(composed);
  RecordFused(records, net, fusionSet, step);
}

// The solution from the subnets the steps leave: the union of their bases, numbered on from one
// basis to the next (several remain when the graph of subnets is not connected; a single basis
// is written as it stands).
std::vector<Element> UnionOfBases(const std::set<int>& remaining, const Subnets& net) {
  std::vector<Element> lines;
  int32_t offset = 0;
  for (int f : remaining) {
    const std::vector<Element>& basis = net.basis[static_cast<size_t>(f)];
    for (const Element& e : basis) lines.push_back({CheckedAdd(offset, e.row), e.col, e.value});
    offset = NextUnknownOffset(offset, basis);
  }
  return lines;
}

// Sequential composition along the collapse of the graph of subnets; returns the solution.
std::vector<Element> Sequential(const Records& records, Subnets& net, const Decomposition& d, const Method& method) {
  records.Move(records.files.Contacts(), records.files.Remaining());
  CollapseRandom random;
  const std::vector<std::vector<int>> steps = CollapseSequenceOf(CollapseStrategy::kDrawnHeaviest, d.graph, random);
  records.Sequence(steps);
  std::set<int> remaining;
  for (int i = 1; i <= d.count; ++i) remaining.insert(i);
  for (size_t s = 0; s < steps.size(); ++s) {
    method.progress->Enter(PartOf("step", s + 1, steps.size()));
    SequentialStep(records, net, steps[s], static_cast<int>(s + 1), method);
    for (size_t j = 1; j < steps[s].size(); ++j) remaining.erase(steps[s][j]);
  }
  // the last composed basis became the solution when the steps fused every subnet into one
  if (remaining.size() == 1) records.Drop(records.files.MinimalBasis());
  return UnionOfBases(remaining, net);
}

ContactList ContactsOf(const Decomposition& d) {
  ContactList list;
  list.subnets = d.count;
  for (const Element& e : d.contacts) list.entries.push_back({e.row, e.col, e.value});
  return list;
}

// The decomposition's files: the graph, the contact places and the subnets.
void RecordDecomposition(const Records& records, const Decomposition& d) {
  records.Lines(records.files.Graph(), d.graph);
  records.Contacts(records.files.Contacts(), ContactsOf(d));
  for (int i = 1; i <= d.count; ++i)
    records.Lines(records.files.SubnetMatrix(i), d.subnets[static_cast<size_t>(i - 1)]);
}

// Solves every subnet; in sequential composition its files take the names of current subnets.
Subnets SolveSubnets(const Records& records, Decomposition& d, Mode mode, const Method& method) {
  Subnets net;
  net.basis.resize(static_cast<size_t>(d.count) + 1);
  if (mode == kSequential && records.KeepsCopies()) net.matrix.resize(static_cast<size_t>(d.count) + 1);
  for (int i = 1; i <= d.count; ++i) {
    std::vector<Element>& subnet = d.subnets[static_cast<size_t>(i - 1)];
    method.progress->Enter(PartOf("subnet", static_cast<size_t>(i), static_cast<size_t>(d.count)));
    records.Solving(records.files.SubnetBasis(i));
    net.basis[static_cast<size_t>(i)] = Solve(subnet, method);
    records.Lines(records.files.SubnetBasis(i), net.basis[static_cast<size_t>(i)]);
    if (mode == kSequential) {
      records.Move(records.files.SubnetMatrix(i), records.files.CurrentMatrix(i));
      records.Move(records.files.SubnetBasis(i), records.files.CurrentBasis(i));
    }
    if (!net.matrix.empty()) net.matrix[static_cast<size_t>(i)] = std::move(subnet);
    subnet = {};
  }
  return net;
}

// The cone limit of the subnets and composition systems for the minimal-support semiflows,
// measured against the cone the direct solution starts from (a ray per row of the subnets, its
// row as entries): twice its rays and 1024 more, sixteen times its entries and 65536 more (the
// entries bound the lines of a composed basis too). A subnet or composition system whose cone
// grows beyond that has extreme rays that mostly give no minimal support once composed or
// multiplied out (an open subnet can have exponentially many, a composition system rays of
// thousands of entries); the matrix is then solved directly instead (see MinimalComposition).
ConeLimit CompositionLimit(const Decomposition& d) {
  size_t rows = 0, entries = 0;
  for (const std::vector<Element>& subnet : d.subnets) {
    std::set<int32_t> distinct;
    for (const Element& e : subnet) distinct.insert(e.row);
    rows += distinct.size();
    entries += subnet.size();
  }
  return {2 * rows + 1024, 16 * (rows + entries) + 65536};
}

// What a composition gives: the solution's lines, the number of subnets, the driver's result.
struct Composed {
  std::vector<Element> lines;
  int count = 0;   // K
  int result = 0;  // 1 for a single subnet, else 0
};

// The composition modes, from the decomposition of M (its lines) to the solution's lines.
Composed Compose(const std::vector<Element>& lines, const std::string& matrix, int debug, Mode mode, bool minimal,
                 ProgressObserver* progress) {
  const Records records(matrix, debug);
  ChainProgress told(progress);
  told.Enter("decomposition");
  Decomposition d = DecompositionOf(lines);
  RecordDecomposition(records, d);
  const Method method{minimal, minimal ? CompositionLimit(d) : ConeLimit{}, &told};
  Subnets net = SolveSubnets(records, d, mode, method);
  Composed composed;
  composed.count = d.count;
  if (d.count == 1) {
    // it became the solution
    records.Drop(mode == kSequential ? records.files.CurrentBasis(1) : records.files.SubnetBasis(1));
    composed.lines = std::move(net.basis[1]);
    composed.result = 1;
  } else if (mode == kSequential) {
    net.contacts = MakeRemainingContacts(ContactsOf(d));
    composed.lines = Sequential(records, net, d, method);
  } else {
    Bases bases;
    for (int i = 1; i <= d.count; ++i) bases.push_back(&net.basis[static_cast<size_t>(i)]);
    told.Enter("composition");
    composed.lines = Chain(records, ContactsOf(d), bases, records.files.SystemCopy(1), method);
    records.Drop(records.files.MinimalBasis());  // it became the solution
  }
  return composed;
}

// Removes what a run below debug level 2 must not leave: files of earlier runs under the names
// of the chain.
void CleanUp(const std::string& matrix, int debug, int count) {
  if (debug >= 2) return;
  Remove(ChainFiles(matrix).MinimalBasis());
  CleanWorkFiles(count, matrix);
}

// Composition for Toudic's generating sets.
int GeneratingComposition(const std::vector<Element>& lines, const std::string& matrix, const std::string& solution,
                          int debug, Mode mode, ProgressObserver* progress) {
  const Composed composed = Compose(lines, matrix, debug, mode, false, progress);
  WriteElementsFile(solution, composed.lines);
  CleanUp(matrix, debug, composed.count);
  return composed.result;
}

// Composition for the minimal-support semiflows. The result is reduced to minimal supports in
// canonical order (a union of bases of unconnected subnets, too), so it is the direct result.
// The matrix is solved directly instead, which gives the same (unique) set, when a basis or a
// product leaves the 32-bit range of the composition stages, or when the cone of a subnet or of
// a composition system grows beyond its limit (CompositionLimit).
int MinimalComposition(const std::vector<Element>& lines, const std::string& matrix, const std::string& solution,
                       int debug, Mode mode, SolutionDigest& digest, ProgressObserver* progress) {
  try {
    const Composed composed = Compose(lines, matrix, debug, mode, true, progress);
    digest = MinimalSupports(composed.lines, solution);
    CleanUp(matrix, debug, composed.count);
    return composed.result;
  } catch (const Failure& failure) {
    if (failure.code != kExitOverflow) throw;
  } catch (const ConeLimitExceeded&) {
  }
  if (debug < 2) CleanWorkFiles(0, matrix);
  digest = MinimalSemiflows(lines, solution, progress);
  return 0;
}

}  // namespace

int SolveInvariants(const std::vector<Element>& lines, const std::string& matrix, const std::string& solution,
                    int debug, Mode mode, bool minimal, SolutionDigest* digest, ProgressObserver* progress) {
  SolutionDigest unused;
  SolutionDigest& written = digest != nullptr ? *digest : unused;
  if (mode != kDirect) {
    if (minimal) return MinimalComposition(lines, matrix, solution, debug, mode, written, progress);
    return GeneratingComposition(lines, matrix, solution, debug, mode, progress);
  }
  if (minimal) written = MinimalSemiflows(lines, solution, progress);
  else Toudic(lines, solution, progress);
  return 0;
}

}  // namespace pelorin
