// The invariant computation driver. Reads and writes only work files named from the matrix
// file name M (see ana.h for the table of names); every stage it calls takes file names.
#include "run/ana.h"

#include <cstdio>
#include <set>

#include "compose/coy.h"
#include "compose/cor.h"
#include "compose/fic.h"
#include "compose/fui.h"
#include "compose/mui.h"
#include "compose/smmul2.h"
#include "decompose/deo1.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "run/failure.h"
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

// The solver of the run: Toudic's generating set, or the minimal-support semiflows.
int Solve(const std::string& input, const std::string& output, bool minimal) {
  return minimal ? MinimalSemiflows(input, output) : Toudic(input, output);
}

// The chain shared by both composition modes: M.z and M.i1.. into the minimal basis M.h.
// `copy` is the name of the debug copy of the composition system, or empty. For the
// minimal-support semiflows the composed basis is reduced to its minimal supports.
void Compose(const std::string& m, const std::string& copy, bool minimal) {
  CreateCompositionSystem(m);
  if (!copy.empty()) CopyFile(Name(m, ".s"), copy, "w");
  Solve(Name(m, ".s"), Name(m, ".r0"), minimal);
  AddUnitSolutions(Name(m, ".r0"), Name(m, ".u"), Name(m, ".r"));
  ComposeJointMatrix(m);
  MultiplySPM(Name(m, ".r"), Name(m, ".g"), Name(m, ".h0"));
  if (minimal) MinimalSupports(Name(m, ".h0"), Name(m, ".h"));
  else MinimizeBasis(Name(m, ".h0"), Name(m, ".h"));
}

// Solves every subnet; in sequential composition its files take the names of current subnets.
void SolveSubnets(const std::string& m, int count, int mode, bool minimal) {
  for (int i = 1; i <= count; ++i) {
    Solve(Name(m, ".z", i), Name(m, ".i", i), minimal);
    if (mode == 2) {
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

// When the steps leave several subnets (the graph of subnets is not connected), the solution
// is the union of their bases, numbered on from one basis to the next.
void WriteUnionOfBases(const std::string& m, const std::set<int>& remaining, const std::string& solution) {
  File out = OpenFile(solution, "w");
  int32_t offset = 0;
  for (int f : remaining) {
    int32_t largest = 0;
    for (const Element& e : ReadElementsFile(Name(m, ".x", f))) {
      WriteElement(out.get(), CheckedAdd(offset, e.row), e.col, e.value);
      if (e.row > largest) largest = e.row;
    }
    offset = CheckedAdd(offset, largest);
  }
}

void Sequential(const std::string& m, const std::string& solution, int debug, int count, bool minimal) {
  const int steps = CollapseOfGraph('m', Name(m, ".p"), Name(m, ".t"));
  std::set<int> remaining;
  for (int i = 1; i <= count; ++i) remaining.insert(i);
  for (int s = 1; s <= steps; ++s) {
    const std::vector<int> members = SequentialStep(m, s, debug, minimal);
    for (size_t j = 1; j < members.size(); ++j)
      if (members[j] != members[0]) remaining.erase(members[j]);
  }
  if (remaining.size() == 1) {
    Move(Name(m, ".h"), solution);
  } else {
    WriteUnionOfBases(m, remaining, solution);
    if (debug < 2) Remove(Name(m, ".h"));
  }
  if (debug < 2) CleanWorkFiles(count, m);
}

// The composition modes after the decomposition into `count` subnets.
int Composition(const std::string& matrix, const std::string& solution, int debug, int mode, int count,
                bool minimal) {
  SolveSubnets(matrix, count, mode, minimal);
  if (count == 1) {
    Move(Name(matrix, mode == 2 ? ".x1" : ".i1"), solution);
    if (debug < 2) CleanWorkFiles(1, matrix);
    return 1;
  }
  if (mode == 2) {
    Move(Name(matrix, ".z"), Name(matrix, ".y"));
    Sequential(matrix, solution, debug, count, minimal);
  } else {
    Simultaneous(matrix, solution, debug, count, minimal);
  }
  return 0;
}

// Composition for the minimal-support semiflows. The result is reduced to minimal supports in
// canonical order (a union of bases of unconnected subnets, too), so it is the direct result.
// The composition stages carry 32-bit numbers only: when a basis or a product leaves that range,
// the matrix is solved directly instead, which gives the same (unique) set.
int MinimalComposition(const std::string& matrix, const std::string& solution, int debug, int mode, int count) {
  try {
    const int result = Composition(matrix, solution, debug, mode, count, true);
    MinimalSupports(solution, solution);
    return result;
  } catch (const Failure& failure) {
    if (failure.code != kExitOverflow) throw;
  }
  if (debug < 2) CleanWorkFiles(count, matrix);
  MinimalSemiflows(matrix, solution);
  return 0;
}

}  // namespace

int Pelorin(const std::string& matrix, const std::string& solution, int debug, int mode, bool minimal) {
  if (mode == 0) return Solve(matrix, solution, minimal);
  const int count = DecomposeIntoFSN(matrix);
  if (minimal) return MinimalComposition(matrix, solution, debug, mode, count);
  return Composition(matrix, solution, debug, mode, count, false);
}

void CleanWorkFiles(int count, const std::string& matrix) {
  for (const char* suffix : {".z", ".y", ".s", ".g", ".r", ".r0", ".u", ".h0", ".p", ".t", ".x"})
    Remove(Name(matrix, suffix));
  for (const char* suffix : {".x", ".y", ".z", ".i"})
    for (int i = 1; i <= count; ++i) Remove(Name(matrix, suffix, i));
}

int ReadFusionSet(const std::string& sequence, int step, std::string& buffer) {
  File in = OpenFile(sequence, "r");
  std::string line;
  for (int count = 1; ReadLine(in.get(), line); ++count) {
    if (count == step) {
      buffer = line;
      break;
    }
  }
  return 0;
}

int NextFSN(const std::string& line, int k) {
  size_t pos = 0;
  for (int tokens = 1; pos < line.size(); ++tokens) {
    SwallowSpace(line, pos);
    if (pos >= line.size()) break;
    if (tokens == k) return LeadingInt(line, pos);
    while (IsSpace(line, pos) == 0) ++pos;
  }
  return 0;
}

}  // namespace pelorin
