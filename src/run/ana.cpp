// The invariant computation driver. Below debug level 2 the composition chain passes its
// matrices from stage to stage in memory and writes only the debug copies (level 1) and the
// solution file; at level 2 and above every stage reads and writes its work files, named from the
// matrix file name M (see ana.h for the table of names). Both give the same solution file and
// the same copies.
#include "run/ana.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <utility>

#include "compose/coy.h"
#include "compose/cor.h"
#include "compose/fic.h"
#include "compose/fui.h"
#include "compose/mui.h"
#include "compose/smmul2.h"
#include "decompose/deo1.h"
#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/subnetfiles.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "run/workfiles.h"
#include "solver/dd.h"
#include "solver/smb2.h"
#include "solver/toy2.h"

namespace pelorin {

namespace {

// M followed by `suffix`, e.g. Name(m, ".z", 2) is "M.z2".
std::string Name(const std::string& m, const char* suffix) { return m + suffix; }
std::string Name(const std::string& m, const char* suffix, int number) { return m + suffix + std::to_string(number); }

// Renames, replacing the target; a failure is passed over (the next reader reports it).
void Move(const std::string& from, const std::string& to) { std::rename(from.c_str(), to.c_str()); }
void Remove(const std::string& name) { std::remove(name.c_str()); }

// The solver of every matrix file of the driver: the net's matrix, a subnet, a composition system;
// Toudic's generating set, or the minimal-support semiflows.
// With `digest`, the minimal-support solver's digest of its file goes there.
void SolveFile(const std::string& matrix, const std::string& solution, bool minimal = false,
               SolutionDigest* digest = nullptr, ProgressObserver* progress = nullptr) {
  if (!minimal) {
    Toudic(matrix, solution);
    return;
  }
  SolutionDigest written = MinimalSemiflows(matrix, solution, progress);
  if (digest != nullptr) *digest = std::move(written);
}

// The same for a matrix in memory: the lines of the matrix in, those of the solution out.
// `limit` bounds the cones of the minimal-support solver.
std::vector<Element> Solve(const std::vector<Element>& matrix, bool minimal, ConeLimit limit = {}) {
  return minimal ? MinimalSemiflowsElements(matrix, limit) : ToudicElements(matrix);
}

// The chain shared by both composition modes: M.z and M.i1.. into the minimal basis M.h.
// `copy` is the name of the debug copy of the composition system, or empty. For the
// minimal-support semiflows the composed basis is reduced to its minimal supports.
void Compose(const std::string& m, const std::string& copy, bool minimal) {
  CreateCompositionSystem(m);
  if (!copy.empty()) CopyFile(Name(m, ".s"), copy, "w");
  SolveFile(Name(m, ".s"), Name(m, ".r0"), minimal);
  AddUnitSolutions(Name(m, ".r0"), Name(m, ".u"), Name(m, ".r"));
  ComposeJointMatrix(m);
  MultiplySPM(Name(m, ".r"), Name(m, ".g"), Name(m, ".h0"));
  if (minimal) MinimalSupports(Name(m, ".h0"), Name(m, ".h"));
  else MinimizeBasis(Name(m, ".h0"), Name(m, ".h"));
}

// Solves every subnet; in sequential composition its files take the names of current subnets.
void SolveSubnets(const std::string& m, int count, Mode mode, bool minimal) {
  for (int i = 1; i <= count; ++i) {
    SolveFile(Name(m, ".z", i), Name(m, ".i", i), minimal);
    if (mode == kSequential) {
      Move(Name(m, ".z", i), Name(m, ".y", i));
      Move(Name(m, ".i", i), Name(m, ".x", i));
    }
  }
}

void Simultaneous(const std::string& m, const std::string& solution, int debug, int count, bool minimal) {
  Compose(m, debug > 0 ? Name(m, "-s1") : "", minimal);
  Move(Name(m, ".h"), solution);
  if (debug < 2) CleanWorkFiles(count, m);
}

// One step of sequential composition; returns the members of the fusion set.
std::vector<int> SequentialStep(const std::string& m, int step, int debug, bool minimal) {
  const int k = FilterContactPlaces(m, step);
  std::string line;
  ReadFusionSet(Name(m, ".t"), step, line);
  std::vector<int> members;
  for (int j = 1, f; (f = NextFSN(line, j)) != 0; ++j) {
    members.push_back(f);
    Remove(Name(m, ".z", j));
    Move(Name(m, ".y", f), Name(m, ".z", j));
    Remove(Name(m, ".i", j));
    Move(Name(m, ".x", f), Name(m, ".i", j));
  }
  Compose(m, debug > 0 ? Name(m, "-s", step) : "", minimal);
  if (debug > 0) CopyFile(Name(m, ".h"), Name(m, "-i", step), "w");
  CopyFile(Name(m, ".h"), Name(m, ".x", k), "w");
  Remove(Name(m, ".y", k));
  for (size_t j = 1; j <= members.size(); ++j) {
    CopyFile(Name(m, ".z", static_cast<int>(j)), Name(m, ".y", k), "a");
    const int f = members[j - 1];
    if (f != k) {
      Remove(Name(m, ".x", f));
      Remove(Name(m, ".y", f));
    }
  }
  if (debug > 0) CopyFile(Name(m, ".y", k), Name(m, "-z", step), "w");
  return members;
}

// The solution from the subnets the steps leave: the union of their bases, numbered on from one
// basis to the next (several remain when the graph of subnets is not connected; a single basis
// is written as it stands); `basisOf`(f) gives the basis of subnet f (from its work file or
// from memory).
template <class BasisOf>
void WriteUnionOfBases(const std::set<int>& remaining, const std::string& solution, BasisOf&& basisOf) {
  File out = OpenFile(solution, "w");
  int32_t offset = 0;
  for (int f : remaining) {
    const std::vector<Element>& basis = basisOf(f);
    for (const Element& e : basis) WriteElement(out.get(), CheckedAdd(offset, e.row), e.col, e.value);
    offset = NextUnknownOffset(offset, basis);
  }
  CloseFile(out, solution);
}

// The subnets 1 .. count, less those a step has fused into the first member of its fusion set.
struct RemainingSubnets {
  std::set<int> numbers;
  explicit RemainingSubnets(int count) {
    for (int i = 1; i <= count; ++i) numbers.insert(i);
  }
  void Fuse(const std::vector<int>& members) {
    for (int f : members)
      if (f != members.front()) numbers.erase(f);
  }
};

void Sequential(const std::string& m, const std::string& solution, int debug, int count, bool minimal) {
  const int steps = CollapseOfGraph(CollapseStrategy::kDrawnHeaviest, Name(m, ".p"), Name(m, ".t"));
  RemainingSubnets remaining(count);
  for (int s = 1; s <= steps; ++s) remaining.Fuse(SequentialStep(m, s, debug, minimal));
  if (remaining.numbers.size() == 1) {
    Move(Name(m, ".h"), solution);
  } else {
    WriteUnionOfBases(remaining.numbers, solution, [&](int f) { return ReadElementsFile(Name(m, ".x", f)); });
    if (debug < 2) Remove(Name(m, ".h"));
  }
  if (debug < 2) CleanWorkFiles(count, m);
}

// The composition modes through the work files, after the decomposition into `count` subnets.
int ComposeSubnets(const std::string& matrix, const std::string& solution, int debug, Mode mode, int count,
                   bool minimal) {
  SolveSubnets(matrix, count, mode, minimal);
  if (count == 1) {
    Move(Name(matrix, mode == kSequential ? ".x1" : ".i1"), solution);
    if (debug < 2) CleanWorkFiles(1, matrix);
    return 1;
  }
  if (mode == kSequential) {
    Move(Name(matrix, ".z"), Name(matrix, ".y"));
    Sequential(matrix, solution, debug, count, minimal);
  } else {
    Simultaneous(matrix, solution, debug, count, minimal);
  }
  return 0;
}

int ComposeThroughFiles(const std::string& matrix, const std::string& solution, int debug, Mode mode) {
  return ComposeSubnets(matrix, solution, debug, mode, DecomposeIntoFSN(matrix), false);
}

// The composition chain in memory, from the subnets' bases and a contact place list to the
// minimal composed basis; `copy` names the debug copy of the composition system, or is empty.
// For the minimal-support semiflows the composed basis is reduced to its minimal supports, and
// `limit` bounds the composition system's cone and the lines of the composed basis.
std::vector<Element> ChainInMemory(const ContactList& list, const Bases& bases, const std::string& copy,
                                   bool minimal, ConeLimit limit) {
  std::vector<Element> r;
  {
    const CompositionSystem system = CreateCompositionSystemElements(list, bases);
    if (!copy.empty()) WriteElementsFile(copy, system.system);
    r = AddUnitSolutionsElements(Solve(system.system, minimal, limit), system.units);
  }
  std::optional<std::vector<Element>> h =
      MultiplySPMElements(std::move(r), ComposeJointMatrixElements(list, bases), minimal ? limit.entries : SIZE_MAX);
  if (!h) throw ConeLimitExceeded{};
  return minimal ? MinimalSupportsElements(*h) : MinimizeBasisElements(std::move(*h));
}

// The subnets of a decomposition with their bases and, when copies are made, their matrices;
// indexed by subnet number (entry 0 unused).
struct CurrentSubnets {
  std::vector<std::vector<Element>> basis;
  std::vector<std::vector<Element>> matrix;
  RemainingContacts contacts;  // the contact places between the current subnets (sequential)
  bool minimal = false;        // the minimal-support semiflows rather than Toudic's generating sets
  ConeLimit limit;             // the largest cone in solving a subnet or composition system (minimal)
};

ContactList ContactsOf(const Decomposition& d) {
  ContactList list;
  list.subnets = d.count;
  for (const Element& e : d.contacts) list.entries.push_back({e.row, e.col, e.value});
  return list;
}

// One step of sequential composition in memory: the members of `fu` become the subnet fu[0].
void SequentialStepInMemory(const std::string& m, CurrentSubnets& net, const std::vector<int>& fu, int step, int debug) {
  const int k = fu[0];
  const ContactList list = TakeFusionStep(net.contacts, fu);
  Bases members;
  for (int f : fu) members.push_back(&net.basis[static_cast<size_t>(f)]);
  std::vector<Element> composed = ChainInMemory(list, members, debug > 0 ? Name(m, "-s", step) : "", net.minimal, net.limit);
  if (debug > 0) {
    WriteElementsFile(Name(m, "-i", step), composed);
    std::vector<Element> fused;
    for (int f : fu) {
      const std::vector<Element>& part = net.matrix[static_cast<size_t>(f)];
      fused.insert(fused.end(), part.begin(), part.end());
    }
    for (int f : fu) net.matrix[static_cast<size_t>(f)] = {};
    net.matrix[static_cast<size_t>(k)] = std::move(fused);
    WriteElementsFile(Name(m, "-z", step), net.matrix[static_cast<size_t>(k)]);
  }
  for (int f : fu) {
    if (f != k) net.basis[static_cast<size_t>(f)] = {};
  }
  net.basis[static_cast<size_t>(k)] = std::move(composed);
}

void SequentialInMemory(const std::string& m, const std::string& solution, int debug, CurrentSubnets& net,
                        const std::vector<Element>& graph) {
  const std::vector<std::vector<int>> steps = CollapseOfGraphElements(CollapseStrategy::kDrawnHeaviest, graph);
  RemainingSubnets remaining(static_cast<int>(net.basis.size()) - 1);
  for (size_t s = 0; s < steps.size(); ++s) {
    SequentialStepInMemory(m, net, steps[s], static_cast<int>(s + 1), debug);
    remaining.Fuse(steps[s]);
  }
  WriteUnionOfBases(remaining.numbers, solution,
                    [&](int f) -> const std::vector<Element>& { return net.basis[static_cast<size_t>(f)]; });
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

int ComposeInMemory(const std::string& matrix, const std::string& solution, int debug, Mode mode,
                    bool minimal = false) {
  Decomposition d = DecomposeIntoFSNElements(matrix);
  const int count = d.count;
  CurrentSubnets net;
  net.minimal = minimal;
  if (minimal) net.limit = CompositionLimit(d);
  net.basis.resize(static_cast<size_t>(count) + 1);
  if (mode == kSequential && debug > 0) net.matrix.resize(static_cast<size_t>(count) + 1);
  for (int i = 1; i <= count; ++i) {
    std::vector<Element>& subnet = d.subnets[static_cast<size_t>(i - 1)];
    net.basis[static_cast<size_t>(i)] = Solve(subnet, minimal, net.limit);
    if (!net.matrix.empty()) net.matrix[static_cast<size_t>(i)] = std::move(subnet);
    subnet = {};
  }
  if (count == 1) {
    WriteElementsFile(solution, net.basis[1]);
    CleanWorkFiles(1, matrix);
    return 1;
  }
  if (mode == kSequential) {
    net.contacts = MakeRemainingContacts(ContactsOf(d));
    SequentialInMemory(matrix, solution, debug, net, d.graph);
  } else {
    Bases bases;
    for (int i = 1; i <= count; ++i) bases.push_back(&net.basis[static_cast<size_t>(i)]);
    WriteElementsFile(solution, ChainInMemory(ContactsOf(d), bases, debug > 0 ? Name(matrix, "-s1") : "", minimal, net.limit));
  }
  Remove(Name(matrix, ".h"));
  CleanWorkFiles(count, matrix);
  return 0;
}

// Composition for the minimal-support semiflows: in memory below debug level 2, through the work
// files at level 2 and above. The result is reduced to minimal supports in canonical order (a
// union of bases of unconnected subnets, too), so it is the direct result. The matrix is solved
// directly instead, which gives the same (unique) set, when a basis or a product leaves the
// 32-bit range of the composition stages, and (in memory) when the cone of a subnet or of a
// composition system grows beyond its limit (CompositionLimit).
int MinimalComposition(const std::string& matrix, const std::string& solution, int debug, Mode mode,
                       SolutionDigest& digest) {
  int count = 0;
  try {
    int result = 0;
    if (debug >= 2) {
      count = DecomposeIntoFSN(matrix);
      result = ComposeSubnets(matrix, solution, debug, mode, count, true);
    } else {
      result = ComposeInMemory(matrix, solution, debug, mode, true);
    }
    digest = MinimalSupports(solution, solution);
    return result;
  } catch (const Failure& failure) {
    if (failure.code != kExitOverflow) throw;
  } catch (const ConeLimitExceeded&) {
  }
  if (debug < 2) CleanWorkFiles(count, matrix);
  digest = MinimalSemiflows(matrix, solution);
  return 0;
}

// Above this count the numbered files are looked for in the directory rather than removed name by
// name, most of them being absent.
constexpr int kListedBelow = 64;

// Whether `number` is written as "%d" of a number from 1 to count.
bool IsNumberUpTo(const std::string& number, int count) {
  if (number.empty() || number.size() > 10 || number[0] == '0') return false;
  for (char c : number)
    if (c < '0' || c > '9') return false;
  return std::stoll(number) <= count;
}

// Removes the files M.xN, M.yN, M.zN and M.iN (N from 1 to count) that the directory of M holds;
// false when the directory cannot be read.
bool RemoveNumberedListed(int count, const std::string& matrix) {
  namespace fs = std::filesystem;
  const fs::path path(matrix);
  const std::string stem = path.filename().string();
  std::vector<std::string> found;
  std::error_code error;
  fs::directory_iterator it(path.has_parent_path() ? path.parent_path() : fs::path("."), error);
  if (error) return false;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < stem.size() + 3 || name.compare(0, stem.size(), stem) != 0) continue;
    const std::string suffix = name.substr(stem.size());
    if ((suffix.rfind(".x", 0) == 0 || suffix.rfind(".y", 0) == 0 || suffix.rfind(".z", 0) == 0 ||
         suffix.rfind(".i", 0) == 0) &&
        IsNumberUpTo(suffix.substr(2), count))
      found.push_back(matrix + suffix);
  }
  if (error) return false;
  for (const std::string& name : found) Remove(name);
  return true;
}

}  // namespace

int Pelorin(const std::string& matrix, const std::string& solution, int debug, Mode mode, bool minimal,
            SolutionDigest* digest, ProgressObserver* progress) {
  if (mode == kDirect) {
    SolveFile(matrix, solution, minimal, digest, progress);
    return 0;
  }
  SolutionDigest unused;
  if (minimal) return MinimalComposition(matrix, solution, debug, mode, digest != nullptr ? *digest : unused);
  if (debug >= 2) return ComposeThroughFiles(matrix, solution, debug, mode);
  return ComposeInMemory(matrix, solution, debug, mode);
}

int PelorinThroughFiles(const std::string& matrix, const std::string& solution, int debug, Mode mode) {
  if (mode == kDirect) {
    SolveFile(matrix, solution);
    return 0;
  }
  return ComposeThroughFiles(matrix, solution, debug, mode);
}

void CleanWorkFiles(int count, const std::string& matrix) {
  for (const std::string& suffix : ChainFileSuffixes()) Remove(matrix + suffix);
  if (count > kListedBelow && RemoveNumberedListed(count, matrix)) return;
  for (const char* suffix : {".x", ".y", ".z", ".i"})
    for (int i = 1; i <= count; ++i) Remove(Name(matrix, suffix, i));
}

}  // namespace pelorin
