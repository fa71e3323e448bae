// The program: scan of the command line, the order of a run, and the report frame around the
// stages. Reads the net (file or standard input); writes the report, the work files named from
// the work-file base, and on request the result file ("-o").
#include "run/Pelorin.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "net/readnet.h"
#include "report/chi.h"
#include "report/writeinv.h"
#include "run/ana.h"
#include "run/failure.h"

namespace pelorin {

const char* const kHelpText =
    "Pelorin version 1.0.1alpha -- 06/25/05\n"
    "\n"
    "action: calculates linear invariants of Petri net in the process of\n"
    "        composition of its minimal functional subnes\n"
    "file formats: .ndr, .net\n"
    "usage: Pelorin [-h | -help]\n"
    "               [-v | -q]\n"
    "               [-P | -T]\n"
    "               [-c] [-s]\n"
    "               [infile] [outfile]\n"
    "FLAGS          WHAT                                DEFAULT\n"
    "-h | -help     this mode\n"
    "-c             simultaneous composition\n"
    "-s             sequential composition\n"
    "-P | -T        place or transition invariants      -P\n"
    "-v | -q        textual output (full | digest)      -v\n"
    "infile         input file (stdin if -)             stdin\n"
    "outfile        output file (stdout if -)           stdout\n"
    "\n";

const char* const kExtensionHelpText =
    "EXTENSIONS\n"
    "--help         this text with the extensions\n"
    "--minimal      minimal-support semiflows (canonical basis, exact at any size)\n"
    "--json         report as one JSON document\n"
    "--memory=SIZE  memory limit of the run (K, M, G suffix)  half the memory\n"
    "infile         may also be PNML (recognised by its first character '<')\n";

const char* const kBanner = "Pelorin version 1.0.1alpha --- 06/25/05\n\n";

namespace {

// Position states of the scan: positional words taken so far, or an argument awaited.
enum ScanState { kNoName, kInputTaken, kBothTaken, kAwaitBase, kAwaitLevel, kAwaitPath };

const char* AwaitedOption(int state) {
  return state == kAwaitBase ? "-w" : state == kAwaitLevel ? "-d" : "-o";
}

// The extensions of the command line; any other word keeps its specified meaning.
bool TakeExtension(const std::string& w, RunSettings& s) {
  if (w == "--minimal") s.minimal = true;
  else if (w == "--json") s.json = true;
  else if (w.rfind("--memory=", 0) == 0) s.memory = w.substr(9);
  else return false;
  return true;
}

// Appends `text` to the output ("-" is standard output).
void AppendOutput(const std::string& output, const std::string& text) {
  File out = OpenOutput(output, "a");
  WriteText(out.get(), text);
  std::fflush(out.get());
}

void RefuseOverwrite(const std::string& input, const std::string& name) {
  if (SameFile(input, name)) Fail(kExitFile, "*** output would overwrite input file " + input + "\n");
}

// A driver work file of matrix M is M followed by "." or "-" and a suffix.
void RefuseDriverOverwrite(const std::string& input, const std::string& matrix) {
  namespace fs = std::filesystem;
  std::error_code error;
  const std::string in = fs::weakly_canonical(fs::absolute(input, error), error).string();
  const std::string m = fs::weakly_canonical(fs::absolute(matrix, error), error).string();
  if (in.size() > m.size() && in.compare(0, m.size(), m) == 0 && (in[m.size()] == '.' || in[m.size()] == '-'))
    Fail(kExitFile, "*** output would overwrite input file " + input + "\n");
}

// No file that the run writes may be its input.
void CheckInputSafe(const RunSettings& s) {
  if (s.input == "-") return;
  const std::string matrix = s.base + (s.transitions ? ".spmt" : ".spm");
  if (s.output != "-") RefuseOverwrite(s.input, s.output);
  if (s.pathGiven) RefuseOverwrite(s.input, s.resultPath);
  for (const char* suffix : {".spm", ".nmp", ".nmt", ".spmt", ".spm.inv", ".spmt.inv"})
    RefuseOverwrite(s.input, s.base + suffix);
  if (s.mode != 0) RefuseDriverOverwrite(s.input, matrix);
}

// Processor time of the process, "%#.3fs\n\n" from whole milliseconds.
std::string TimeLine() {
  const long ms = static_cast<long>(static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC);
  char text[64];
  std::snprintf(text, sizeof text, "%#.3fs\n\n", static_cast<double>(ms) / 1000.0);
  return text;
}

// Steps 4 and 5 of a run: solve, check, list, and keep or remove the work files.
void SolveAndReport(const RunSettings& s) {
  const std::string spm = s.base + ".spm";
  const std::string matrix = s.transitions ? s.base + ".spmt" : spm;
  const std::string solution = matrix + ".inv";
  const std::string table = s.base + (s.transitions ? ".nmt" : ".nmp");
  if (s.transitions) TransposeMatrix(spm, matrix);
  Pelorin(matrix, solution, s.debug, s.mode, s.minimal);
  const int covered = CheckInv(matrix, solution, s.minimal);
  const std::string word = s.transitions ? (covered ? "consistent" : "not consistent")
                                         : (covered ? "invariant" : "not invariant");
  AppendOutput(s.output, std::string(s.transitions ? "T" : "P") +
                             "-SEMI-FLOWS GENERATING SET --------------------------------\n\n" + word + "\n");
  WriteInv(table, solution, s.output, s.detail, s.minimal);
  if (s.pathGiven)
    std::rename(solution.c_str(), s.resultPath.c_str());
  else if (s.debug == 0)
    std::remove(solution.c_str());
  if (s.debug == 0) {
    std::remove(spm.c_str());
    if (s.transitions) std::remove(matrix.c_str());
    std::remove((s.base + ".nmp").c_str());
    std::remove((s.base + ".nmt").c_str());
  }
}

void Run(RunSettings s) {
  if (!s.baseGiven) s.base = DefaultBase(s.input);
  CheckInputSafe(s);
  {
    File out = OpenOutput(s.output, "w");
    WriteText(out.get(), kBanner);
    std::fflush(out.get());
  }
  ReadNDRNET(s.input, s.base, s.output, s.detail);
  SolveAndReport(s);
  AppendOutput(s.output, TimeLine() + "ANALYSIS COMPLETED -----------------------------------------\n");
}

}  // namespace

RunSettings ScanCommandLine(const std::vector<std::string>& words) {
  RunSettings s;
  int state = kNoName;
  std::vector<int> pending;  // states to return to once the awaited arguments are taken
  auto await = [&](int next) { pending.push_back(state); state = next; };
  auto resume = [&] { state = pending.back(); pending.pop_back(); };
  for (const std::string& w : words) {
    if (w == "-h" || w == "-help") {
      s.help = true;
      return s;
    }
    if (w == "--help") {
      s.help = s.extensionHelp = true;
      return s;
    }
    if (TakeExtension(w, s)) continue;
    if (w == "-q") s.detail = 0;
    else if (w == "-v") s.detail = 1;
    else if (w == "-P") s.transitions = false;
    else if (w == "-T") s.transitions = true;
    else if (w == "-c") s.mode = 1;
    else if (w == "-s") s.mode = 2;
    else if (w == "-w") { s.baseGiven = true; await(kAwaitBase); }
    else if (state == kAwaitBase) { s.base = w; resume(); }
    else if (w == "-d") await(kAwaitLevel);
    else if (state == kAwaitLevel) { s.debug = LeadingInt(w); resume(); }
    else if (w == "-o") { s.pathGiven = true; await(kAwaitPath); }
    else if (state == kAwaitPath) { s.resultPath = w; resume(); }
    else if (state == kNoName) { s.input = w; state = kInputTaken; }
    else if (state == kInputTaken) { s.output = w; state = kBothTaken; }
    else Fail(kExitInput, "*** unknown option: " + w + "\n");
  }
  if (!pending.empty()) Fail(kExitInput, std::string("*** missing argument for ") + AwaitedOption(state) + "\n");
  return s;
}

std::string DefaultBase(const std::string& input) {
  const size_t slash = input.rfind('/');
  if (slash == std::string::npos) return "__" + input;
  return input.substr(0, slash + 1) + "__" + input.substr(slash + 1);
}

int RunPelorin(const std::vector<std::string>& words) {
  try {
    RunSettings settings = ScanCommandLine(words);
    if (settings.help) {
      std::fputs(kHelpText, stdout);
      if (settings.extensionHelp) std::fputs(kExtensionHelpText, stdout);
      return kExitOk;
    }
    Run(settings);
    std::fflush(stdout);
    return kExitOk;
  } catch (const Failure& failure) {
    std::fflush(stdout);
    return ReportFailure(failure);
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    return ReportFailure(Failure(kExitMemory, "*** not enough memory\n"));
  }
}

}  // namespace pelorin
