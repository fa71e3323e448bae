// The table of work files and the questions asked of it (contract in workfiles.h).
#include "run/workfiles.h"

#include <cstdio>
#include <filesystem>

namespace pelorin {

namespace {

constexpr bool kNumbered = true;
constexpr bool kSingle = false;
constexpr bool kTOnly = true;
constexpr bool kPAndT = false;
constexpr Prefix kW = Prefix::kBase;
constexpr Prefix kM = Prefix::kMatrix;
constexpr Role kRecord = Role::kRecord;

// The suffixes of the files that every run names (MainFilesOf).
// The net conversion's three are named where it writes them (net/readnet.h).
constexpr const char* kIncidence = kIncidenceSuffix;
constexpr const char* kPlaceNames = kPlaceNamesSuffix;
constexpr const char* kTransitionNames = kTransitionNamesSuffix;
constexpr const char* kTransposed = ".spmt";
constexpr const char* kLock = ".lock";
constexpr const char* kSolution = ".inv";
constexpr const char* kWithUnits = ".inv.units";

// The suffixes of the driver's files (ChainFiles).
constexpr const char* kContacts = ".z";
constexpr const char* kGraph = ".p";
constexpr const char* kSubnetMatrix = ".z";
constexpr const char* kSubnetBasis = ".i";
constexpr const char* kSystem = ".s";
constexpr const char* kUnits = ".u";
constexpr const char* kSystemSolutions = ".r0";
constexpr const char* kCompleted = ".r";
constexpr const char* kJoint = ".g";
constexpr const char* kComposed = ".h0";
constexpr const char* kMinimal = ".h";
constexpr const char* kRemaining = ".y";
constexpr const char* kSequence = ".t";
constexpr const char* kCurrentMatrix = ".y";
constexpr const char* kCurrentBasis = ".x";
constexpr const char* kSystemCopy = "-s";
constexpr const char* kBasisCopy = "-i";
constexpr const char* kFusedCopy = "-z";

// Whether `text` is a number 1, 2, ... as "%d" writes it.
bool IsNumber(std::string_view text) {
  if (text.empty() || text.size() > 10 || text[0] == '0') return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return text.size() < 10 || text <= "2147483647";
}

// Whether `suffix` (what follows the prefix) is the file `file`.
bool Matches(const WorkFile& file, std::string_view suffix) {
  const std::string_view fixed(file.suffix);
  if (!file.numbered) return suffix == fixed;
  return suffix.substr(0, fixed.size()) == fixed && IsNumber(suffix.substr(fixed.size()));
}

bool MadeIn(const WorkFile& file, Mode mode, bool transitions) {
  return (file.modes & (1u << mode)) != 0 && (transitions || !file.transposeOnly);
}

}  // namespace

const std::vector<WorkFile>& WorkFiles() {
  static const std::vector<WorkFile> table = {
      {kIncidence, kSingle, kW, kInEveryMode, kPAndT, Kept::kMain, "incidence matrix", kRecord},
      {kPlaceNames, kSingle, kW, kInEveryMode, kPAndT, Kept::kMain, "place names", kRecord},
      {kTransitionNames, kSingle, kW, kInEveryMode, kPAndT, Kept::kMain, "transition names", kRecord},
      {kTransposed, kSingle, kW, kInEveryMode, kTOnly, Kept::kMain, "transposed incidence matrix", kRecord},
      {kLock, kSingle, kW, kInEveryMode, kPAndT, Kept::kNever, "the run's lock on the base", kRecord},
      {kSolution, kSingle, kM, kInEveryMode, kPAndT, Kept::kMain, "solution", kRecord},
      {kWithUnits, kSingle, kM, kInEveryMode, kPAndT, Kept::kNever,
       "the solution with the unit semiflows of nodes without arcs (--minimal), renamed to M.inv", kRecord},
      {kContacts, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "contact places of the subnets", kRecord},
      {kGraph, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "graph of subnets", kRecord},
      {kSubnetMatrix, kNumbered, kM, kInComposition, kPAndT, Kept::kChain, "matrix of a subnet or member", kRecord},
      {kSubnetBasis, kNumbered, kM, kInComposition, kPAndT, Kept::kChain, "basis of a subnet or member", kRecord},
      {kSystem, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "composition system", kRecord},
      {kUnits, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "unit solutions", kRecord},
      {kSystemSolutions, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "solutions of the system", kRecord},
      {kCompleted, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "those with the unit solutions", kRecord},
      {kJoint, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "joint matrix of the bases", kRecord},
      {kComposed, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "composed basis", kRecord},
      {kMinimal, kSingle, kM, kInComposition, kPAndT, Kept::kChain, "its minimal vectors", Role::kBecomesSolution},
      {".x", kSingle, kM, kInComposition, kPAndT, Kept::kChain, "nothing (removed if present)",
       Role::kNeverWritten},
      {kRemaining, kSingle, kM, kInSequential, kPAndT, Kept::kChain, "contacts of the remaining subnets", kRecord},
      {kSequence, kSingle, kM, kInSequential, kPAndT, Kept::kChain, "collapse sequence", kRecord},
      {kCurrentMatrix, kNumbered, kM, kInSequential, kPAndT, Kept::kChain, "matrix of a current subnet", kRecord},
      {kCurrentBasis, kNumbered, kM, kInSequential, kPAndT, Kept::kChain, "basis of a current subnet", kRecord},
      {"-s1", kSingle, kM, kInSimultaneous, kPAndT, Kept::kCopy, "copy of the composition system", kRecord},
      {kSystemCopy, kNumbered, kM, kInSequential, kPAndT, Kept::kCopy, "copy of a step's system", kRecord},
      {kBasisCopy, kNumbered, kM, kInSequential, kPAndT, Kept::kCopy, "copy of a step's composed basis", kRecord},
      {kFusedCopy, kNumbered, kM, kInSequential, kPAndT, Kept::kCopy, "copy of a step's fused matrix", kRecord},
  };
  return table;
}

std::string ChainFiles::Numbered(const char* suffix, int number) const { return m_ + suffix + std::to_string(number); }
std::string ChainFiles::Contacts() const { return m_ + kContacts; }
std::string ChainFiles::Graph() const { return m_ + kGraph; }
std::string ChainFiles::SubnetMatrix(int n) const { return Numbered(kSubnetMatrix, n); }
std::string ChainFiles::SubnetBasis(int n) const { return Numbered(kSubnetBasis, n); }
std::string ChainFiles::System() const { return m_ + kSystem; }
std::string ChainFiles::Units() const { return m_ + kUnits; }
std::string ChainFiles::SystemSolutions() const { return m_ + kSystemSolutions; }
std::string ChainFiles::CompletedSolutions() const { return m_ + kCompleted; }
std::string ChainFiles::JointMatrix() const { return m_ + kJoint; }
std::string ChainFiles::ComposedBasis() const { return m_ + kComposed; }
std::string ChainFiles::MinimalBasis() const { return m_ + kMinimal; }
std::string ChainFiles::Remaining() const { return m_ + kRemaining; }
std::string ChainFiles::Sequence() const { return m_ + kSequence; }
std::string ChainFiles::CurrentMatrix(int n) const { return Numbered(kCurrentMatrix, n); }
std::string ChainFiles::CurrentBasis(int n) const { return Numbered(kCurrentBasis, n); }
std::string ChainFiles::SystemCopy(int step) const { return Numbered(kSystemCopy, step); }
std::string ChainFiles::BasisCopy(int step) const { return Numbered(kBasisCopy, step); }
std::string ChainFiles::FusedCopy(int step) const { return Numbered(kFusedCopy, step); }

MainFiles MainFilesOf(const std::string& base, bool transitions) {
  MainFiles f;
  f.incidence = base + kIncidence;
  f.matrix = transitions ? base + kTransposed : f.incidence;
  f.solution = f.matrix + kSolution;
  f.withUnits = f.matrix + kWithUnits;
  f.table = base + (transitions ? kTransitionNames : kPlaceNames);
  f.lock = base + kLock;
  return f;
}

std::vector<std::string> KeptFileNames(const std::string& base, bool transitions) {
  const std::string matrix = MainFilesOf(base, transitions).matrix;
  std::vector<std::string> names;
  for (const WorkFile& file : WorkFiles())
    if (file.kept == Kept::kMain && MadeIn(file, kDirect, transitions))
      names.push_back((file.prefix == Prefix::kBase ? base : matrix) + file.suffix);
  return names;
}

std::vector<std::string> LevelZeroFileNames(const std::string& base, bool transitions) {
  const std::string matrix = MainFilesOf(base, transitions).matrix;
  std::vector<std::string> names;
  for (const WorkFile& file : WorkFiles())
    if ((file.kept == Kept::kMain || file.kept == Kept::kNever) && MadeIn(file, kDirect, transitions) &&
        std::string_view(file.suffix) != kLock)
      names.push_back((file.prefix == Prefix::kBase ? base : matrix) + file.suffix);
  return names;
}

bool IsSolutionFile(const WorkFile& file) { return std::string_view(file.suffix) == kSolution; }

const WorkFile* WorkFileNamed(const std::string& name, const std::string& base, Mode mode, bool transitions) {
  const std::string matrix = MainFilesOf(base, transitions).matrix;
  for (const WorkFile& file : WorkFiles()) {
    const std::string& prefix = file.prefix == Prefix::kBase ? base : matrix;
    if (!MadeIn(file, mode, transitions) || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (Matches(file, std::string_view(name).substr(prefix.size()))) return &file;
  }
  return nullptr;
}

bool DriverWritesFile(const std::string& suffix, Mode mode, int debug) {
  for (const WorkFile& file : WorkFiles()) {
    if (file.prefix != Prefix::kMatrix || file.kept == Kept::kMain || !MadeIn(file, mode, true)) continue;
    if (!Matches(file, suffix)) continue;
    // the chain runs in memory at every level; from level 2 it records its files, except M.x
    const bool nothing = file.role == Role::kNeverWritten;
    if (file.kept == Kept::kCopy ? debug > 0 : debug >= 2 && !nothing) return true;
  }
  return false;
}

namespace {

void Remove(const std::string& name) { std::remove(name.c_str()); }

// The suffixes of the driver's files that a clean-up removes: unnumbered, and numbered.
std::vector<std::string> ChainFileSuffixes() {
  std::vector<std::string> suffixes;
  for (const WorkFile& file : WorkFiles())
    // M.h becomes the solution
    if (file.kept == Kept::kChain && !file.numbered && file.role != Role::kBecomesSolution)
      suffixes.push_back(file.suffix);
  return suffixes;
}

std::vector<std::string> NumberedChainSuffixes() {
  std::vector<std::string> suffixes;
  for (const WorkFile& file : WorkFiles())
    if (file.kept == Kept::kChain && file.numbered) suffixes.push_back(file.suffix);
  return suffixes;
}

// Above this count the numbered files are looked for in the directory rather than removed name by
// name, most of them being absent.
constexpr int kListedBelow = 64;

// Whether `number` is written as "%d" of a number from 1 to count.
bool IsNumberUpTo(const std::string& number, int count) { return IsNumber(number) && std::stoll(number) <= count; }

// Removes the numbered files of the chain (M.zN, M.iN, M.yN, M.xN, N from 1 to count) that the
// directory of M holds;
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
    for (const std::string& numbered : NumberedChainSuffixes())
      if (suffix.rfind(numbered, 0) == 0 && IsNumberUpTo(suffix.substr(numbered.size()), count))
        found.push_back(matrix + suffix);
  }
  if (error) return false;
  for (const std::string& name : found) Remove(name);
  return true;
}

}  // namespace

void CleanWorkFiles(int count, const std::string& matrix) {
  for (const std::string& suffix : ChainFileSuffixes()) Remove(matrix + suffix);
  if (count > kListedBelow && RemoveNumberedListed(count, matrix)) return;
  for (const std::string& suffix : NumberedChainSuffixes())
    for (int i = 1; i <= count; ++i) Remove(matrix + suffix + std::to_string(i));
}

}  // namespace pelorin
