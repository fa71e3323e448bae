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

// The suffixes of the files that every run names (MainFilesOf).
constexpr const char* kIncidence = ".spm";
constexpr const char* kPlaceNames = ".nmp";
constexpr const char* kTransitionNames = ".nmt";
constexpr const char* kTransposed = ".spmt";
constexpr const char* kLock = ".lock";
constexpr const char* kSolution = ".inv";

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
      {kIncidence, kSingle, Prefix::kBase, kInEveryMode, kPAndT, Kept::kMain, "incidence matrix"},
      {kPlaceNames, kSingle, Prefix::kBase, kInEveryMode, kPAndT, Kept::kMain, "place names"},
      {kTransitionNames, kSingle, Prefix::kBase, kInEveryMode, kPAndT, Kept::kMain, "transition names"},
      {kTransposed, kSingle, Prefix::kBase, kInEveryMode, kTOnly, Kept::kMain, "transposed incidence matrix"},
      {kLock, kSingle, Prefix::kBase, kInEveryMode, kPAndT, Kept::kNever, "the run's lock on the base"},
      {kSolution, kSingle, Prefix::kMatrix, kInEveryMode, kPAndT, Kept::kMain, "solution"},
      {".inv.units", kSingle, Prefix::kMatrix, kInEveryMode, kPAndT, Kept::kNever,
       "the solution with the unit semiflows of nodes without arcs (--minimal), renamed to M.inv"},
      {".z", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "contact places of the subnets"},
      {".p", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "graph of subnets"},
      {".z", kNumbered, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "matrix of a subnet or member"},
      {".i", kNumbered, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "basis of a subnet or member"},
      {".s", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "composition system"},
      {".u", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "unit solutions"},
      {".r0", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "solutions of the system"},
      {".r", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "those with the unit solutions"},
      {".g", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "joint matrix of the bases"},
      {".h0", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "composed basis"},
      {".h", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "its minimal vectors"},
      {".x", kSingle, Prefix::kMatrix, kInComposition, kPAndT, Kept::kChain, "nothing (removed if present)"},
      {".y", kSingle, Prefix::kMatrix, kInSequential, kPAndT, Kept::kChain, "contacts of the remaining subnets"},
      {".t", kSingle, Prefix::kMatrix, kInSequential, kPAndT, Kept::kChain, "collapse sequence"},
      {".y", kNumbered, Prefix::kMatrix, kInSequential, kPAndT, Kept::kChain, "matrix of a current subnet"},
      {".x", kNumbered, Prefix::kMatrix, kInSequential, kPAndT, Kept::kChain, "basis of a current subnet"},
      {"-s1", kSingle, Prefix::kMatrix, kInSimultaneous, kPAndT, Kept::kCopy, "copy of the composition system"},
      {"-s", kNumbered, Prefix::kMatrix, kInSequential, kPAndT, Kept::kCopy, "copy of a step's system"},
      {"-i", kNumbered, Prefix::kMatrix, kInSequential, kPAndT, Kept::kCopy, "copy of a step's composed basis"},
      {"-z", kNumbered, Prefix::kMatrix, kInSequential, kPAndT, Kept::kCopy, "copy of a step's fused matrix"},
  };
  return table;
}

MainFiles MainFilesOf(const std::string& base, bool transitions) {
  MainFiles f;
  f.incidence = base + kIncidence;
  f.matrix = transitions ? base + kTransposed : f.incidence;
  f.solution = f.matrix + kSolution;
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
    const bool nothing = !file.numbered && std::string_view(file.suffix) == ".x";
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
    if (file.kept == Kept::kChain && !file.numbered && std::string_view(file.suffix) != ".h")
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
