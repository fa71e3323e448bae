// The work files of a run, written down once.
//
// Every file a run makes or removes beside its input is named by a suffix after one of two
// prefixes: the work-file base W ("-w", else "__" before the input's file name) or the matrix
// file name M that the driver solves (W.spm for P-semiflows, W.spmt for T-semiflows). A suffix
// marked numbered is followed by a subnet, member or step number written as "%d" (M.z3). The
// table says what each file records, in which runs it is made or removed, and from which debug
// level it stays after the run:
//
//   W.spm  W.nmp  W.nmt      incidence matrix, place and transition names   every run
//   W.spmt                    transposed incidence matrix                    T-semiflows
//   W.lock                    the run's lock on the base; removed at the end every run
//   M.inv                     the solution                                   every run
//   M.inv.units               the solution with the nodes without arcs as    "--minimal" with
//                             unit semiflows, renamed to M.inv at once       such nodes
//   M.z M.p M.zN M.iN         contact places, graph, subnets and their bases composition
//   M.s M.u M.r0 M.r M.g      composition system, unit solutions, its solutions with them,
//   M.h0 M.h                  the joint matrix, the composed basis, its minimal vectors
//   M.x                       nothing (removed if present)
//   M.y M.t M.yN M.xN         remaining contacts, collapse sequence, current subnets' matrices
//                             and bases                                      sequential only
//   M-s1                      copy of the composition system                 "-c", level 1 up
//   M-sN M-iN M-zN            copies of step N: system, composed basis, fused matrix  "-s", 1 up
//
// W's files stay at every debug level but 0 (the solution goes to "-o" when given); the
// composition's files are removed below level 2; the copies are made from level 1 and stay.
// The table names the driver's files (ChainFiles) and drives their clean-up, the guard that
// keeps a run from overwriting its input, and the refusal of a report or result path that is a
// work file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/readnet.h"
#include "run/driver.h"

namespace pelorin {

// Which prefix a work file's suffix follows.
enum class Prefix { kBase, kMatrix };

// When a work file stays after the run.
enum class Kept {
  kMain,   // at every debug level but 0
  kChain,  // at level 2 and above; removed below
  kCopy,   // made at level 1 and above, and kept
  kNever,  // removed at the end of every run
};

// The runs that make or remove a file: bits of the modes, and whether T-semiflows alone.
enum RunKinds : unsigned {
  kInDirect = 1u << kDirect,
  kInSimultaneous = 1u << kSimultaneous,
  kInSequential = 1u << kSequential,
  kInComposition = kInSimultaneous | kInSequential,
  kInEveryMode = kInDirect | kInComposition,
};

// What becomes of a work file apart from its record.
enum class Role {
  kRecord,           // a record of the run
  kNeverWritten,     // no stage writes it; the clean-up removes it when present (M.x)
  kBecomesSolution,  // renamed to the solution, so the clean-up leaves it (M.h)
};

struct WorkFile {
  const char* suffix;   // after the prefix, e.g. ".z"
  bool numbered;        // followed by a number 1, 2, ...
  Prefix prefix;        // W or M
  unsigned modes;       // RunKinds bits: the modes whose runs make or remove it
  bool transposeOnly;   // made by T-semiflow runs only
  Kept kept;            // when it stays
  const char* records;  // what it holds
  Role role;            // the exceptions among the driver's files
};

// The table above.
const std::vector<WorkFile>& WorkFiles();

// The names of the files that every run on the base W makes, for P- or T-semiflows.
struct MainFiles {
  std::string incidence;        // W.spm
  std::string matrix;           // M, the matrix the driver solves: W.spm, or W.spmt for T-semiflows
  std::string solution;         // M.inv
  std::string withUnits;        // M.inv.units: the solution with the nodes without arcs, while it is written
  std::string table;            // the names of the solution's elements: W.nmp, or W.nmt
  std::string lock;             // W.lock
};
MainFiles MainFilesOf(const std::string& base, bool transitions);

// The names of the driver's files of the matrix file M, each from its row of the table; N is a
// subnet, member or step number.
class ChainFiles {
 public:
  explicit ChainFiles(std::string matrix) : m_(std::move(matrix)) {}
  std::string Contacts() const;            // M.z
  std::string Graph() const;               // M.p
  std::string SubnetMatrix(int n) const;   // M.zN
  std::string SubnetBasis(int n) const;    // M.iN
  std::string System() const;              // M.s
  std::string Units() const;               // M.u
  std::string SystemSolutions() const;     // M.r0
  std::string CompletedSolutions() const;  // M.r
  std::string JointMatrix() const;         // M.g
  std::string ComposedBasis() const;       // M.h0
  std::string MinimalBasis() const;        // M.h
  std::string Remaining() const;           // M.y
  std::string Sequence() const;            // M.t
  std::string CurrentMatrix(int n) const;  // M.yN
  std::string CurrentBasis(int n) const;   // M.xN
  std::string SystemCopy(int step) const;  // M-sN ("-c": M-s1)
  std::string BasisCopy(int step) const;   // M-iN
  std::string FusedCopy(int step) const;   // M-zN

 private:
  std::string Numbered(const char* suffix, int number) const;
  std::string m_;
};

// The names of the table's files kept at every debug level but 0 in a run on `base`, in the
// table's order: W.spm, W.nmp, W.nmt, W.spmt (T-semiflows), M.inv.
std::vector<std::string> KeptFileNames(const std::string& base, bool transitions);

// The names of the table's files that a run on `base` writes at debug level 0, in the table's
// order, the lock apart: W.spm, W.nmp, W.nmt, W.spmt (T-semiflows), M.inv, M.inv.units.
std::vector<std::string> LevelZeroFileNames(const std::string& base, bool transitions);

// Whether `file` is the solution M.inv.
bool IsSolutionFile(const WorkFile& file);

// The work file that `name` is in a run of `mode` (T-semiflows when `transitions`) on the base
// `base`, or nullptr: `name` is compared with the prefixes by its text, directory included.
const WorkFile* WorkFileNamed(const std::string& name, const std::string& base, Mode mode, bool transitions);

// True when a run of the driver in `mode` at debug level `debug` writes the file named by the
// matrix file name followed by `suffix` (".z", ".z3", "-s2", ...).
bool DriverWritesFile(const std::string& suffix, Mode mode, int debug);

// Removes the driver's work files of `matrix` (the chain's files, numbered ones for 1..count);
// missing files are passed over. The solution file, M.h and the debug copies are left alone.
void CleanWorkFiles(int count, const std::string& matrix);

}  // namespace pelorin
