// The program: scan of the command line, the order of a run, and the report frame around the
// stages. Reads the net (file or standard input); writes the report, the work files named from
// the work-file base, and on request the result file ("-o").
#include "run/cli.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "net/readnet.h"
#include "report/bounds.h"
#include "report/checkinvariants.h"
#include "report/classlisting.h"
#include "report/flowsreport.h"
#include "report/jsonreport.h"
#include "report/writeinv.h"
#include "run/driver.h"
#include "run/baselock.h"
#include "run/deliver.h"
#include "run/isolated.h"
#include "run/memory.h"
#include "run/newfiles.h"
#include "run/progress.h"
#include "run/safety.h"
#include "run/workfiles.h"
#include "solver/ddclasses.h"
#include "solver/flows.h"

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
    "MORE FLAGS\n"
    "-w base        work-file base                      __infile\n"
    "-d level       debug level (0 removes work files)  0\n"
    "-o path        move the solution file to path      none\n"
    "EXTENSIONS\n"
    "--help         this text with the extensions\n"
    "--version      print the version and stop\n"
    "--minimal      minimal-support semiflows (canonical basis, exact at any size)\n"
    "--classes      with --minimal: parallel nodes as classes, one line for many semiflows\n"
    "--json         report as one JSON document\n"
    "--flows        basis of the integer flows (coefficients of any sign)\n"
    "--bounds       place bounds proved by the P-semiflows\n"
    "--memory=SIZE  memory limit of the run (K, M, G suffix)  half the memory, or less in a cgroup\n"
    "infile         may also be PNML (recognised by its first character '<')\n";

const char* const kVersionText = "Pelorin " PELORIN_VERSION "\n";

const char* const kBanner = "Pelorin version 1.0.1alpha --- 06/25/05\n\n";

namespace {

// Position states of the scan: positional words taken so far, or an argument awaited.
enum ScanState { kNoName, kInputTaken, kBothTaken, kAwaitBase, kAwaitLevel, kAwaitPath };

const char* AwaitedOption(int state) {
  return state == kAwaitBase ? "-w" : state == kAwaitLevel ? "-d" : "-o";
}

// The debug level of a "-d" word; a level outside 32 bits is kept as the pending failure.
int LevelOf(const std::string& word, std::optional<Failure>& badLevel) {
  try {
    return LeadingInt(word);
  } catch (const Failure& failure) {
    if (!badLevel) badLevel = failure;
    return 0;
  }
}

// The extensions of the command line; every other word is read as the options above say.
bool TakeExtension(const std::string& w, RunSettings& s) {
  if (w == "--minimal") s.minimal = true;
  else if (w == "--classes") s.classes = true;
  else if (w == "--json") s.json = true;
  else if (w == "--flows") s.flows = true;
  else if (w == "--bounds") s.bounds = true;
  else if (w.rfind("--memory=", 0) == 0) s.memory = w.substr(9);
  else return false;
  return true;
}

// Appends `text` to the output ("-" is standard output).
void AppendOutput(const std::string& output, const std::string& text) {
  File out = OpenOutput(output, "a");
  WriteText(out.get(), text);
  CloseFile(out, output);
}

// Processor time of the process in whole milliseconds, as seconds.
double ProcessorSeconds() {
  const long ms = static_cast<long>(static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC);
  return static_cast<double>(ms) / 1000.0;
}

// The time line, "%#.3fs\n\n".
std::string TimeLine() {
  char text[64];
  std::snprintf(text, sizeof text, "%#.3fs\n\n", ProcessorSeconds());
  return text;
}

// The net as a run computes with it: its summary and the matrix solved, the incidence matrix or,
// for T-semiflows, its transpose (whose file, M, is written as the record of the run).
struct RunNet {
  NetSummary summary;
  std::vector<Element> matrix;
  std::vector<int32_t> isolated;  // the places (transitions) without arcs; "--minimal" and "--json" only
  std::vector<int32_t> unchanged;  // the places whose marking no transition changes; "--bounds" only
};

// The number of places (transitions) of the net, the rows of the matrix solved and the nodes
// without arcs besides.
int32_t NodesOf(const RunSettings& s, const NetSummary& net) { return s.transitions ? net.transitions : net.places; }

// Reads the net, writing its work files; the summary and the echo go to `report` when given.
RunNet ReadRunNet(const RunSettings& s, const MainFiles& f, const std::string* report) {
  NetConversion conversion = ConvertNet(s.input, s.base, report, s.full ? 1 : 0);
  RunNet net{std::move(conversion.summary), std::move(conversion.incidence), {}, {}};
  if (s.transitions) {
    for (Element& e : net.matrix) std::swap(e.row, e.col);
    WriteElementsFile(f.matrix, net.matrix);
  }
  if (s.minimal || s.json) net.isolated = NodesWithoutArcs(net.matrix, NodesOf(s, net.summary));
  if (s.bounds) net.unchanged = NodesUnchanged(net.matrix, net.summary.places);
  return net;
}

// Solves the matrix and checks that the semiflows cover every element; returns the check word.
// The minimal-support solvers hand over the digest of the solution file they write; the unit
// semiflow of each node without arcs joins their set. With "--classes" the matrix is solved
// directly in every mode (the set is the same), and `total` receives the number of
// minimal-support semiflows that the lines stand for.
// `progress` hears of the solution and is erased at its end.
std::string Solve(const RunSettings& s, const MainFiles& f, const RunNet& net, bool& covered,
                  std::optional<SolutionDigest>& digest, mpz_class& total, TerminalProgress& progress) {
  progress.Stage("solving");
  ProgressObserver* told = progress.IfShown();
  if (s.minimal) {
    if (s.classes) {
      ClassDigest classes = MinimalSemiflowClasses(net.matrix, f.solution, told);
      digest = std::move(classes.digest);
      total = classes.count;
    } else {
      digest.emplace();
      SolveInvariants(net.matrix, f.matrix, f.solution, s.debug, s.mode, s.minimal, &*digest, told);
    }
    AddUnitSemiflows(f, net.isolated, *digest);
    total += static_cast<unsigned long>(net.isolated.size());
  } else {
    SolveInvariants(net.matrix, f.matrix, f.solution, s.debug, s.mode, s.minimal, nullptr, told);
  }
  progress.Erase();
  covered =
      digest ? CheckInvariants(net.matrix, f.solution, *digest) : CheckInvariants(net.matrix, f.solution, s.minimal);
  return s.transitions ? (covered ? "consistent" : "not consistent") : (covered ? "invariant" : "not invariant");
}

// Computes the flows of the matrix over every place (transition) of the net.
SolutionDigest SolveFlows(const RunSettings& s, const MainFiles& f, const RunNet& net) {
  return IntegerFlowsFile(net.matrix, NodesOf(s, net.summary), f.solution);
}

// Moves the solution file to the "-o" path, and removes the files of the run at debug level 0.
void KeepOrRemove(const RunSettings& s, const MainFiles& f) {
  if (s.pathGiven) DeliverFile(f.solution, s.resultPath);
  if (s.debug != 0) return;
  for (const std::string& name : KeptFileNames(s.base, s.transitions))
    if (name != f.solution || !s.pathGiven) std::remove(name.c_str());
}

void TextRun(const RunSettings& s, TerminalProgress& progress) {
  {
    File out = OpenOutput(s.output, "w");
    WriteText(out.get(), kBanner);
    CloseFile(out, s.output);
  }
  const MainFiles f = MainFilesOf(s.base, s.transitions);
  const RunNet net = ReadRunNet(s, f, &s.output);
  if (s.flows) {
    const SolutionDigest digest = SolveFlows(s, f, net);
    AppendOutput(s.output, FlowsHeading(s.transitions));
    WriteFlowsListing(f.table, f.solution, s.output, s.full, digest);
  } else {
    bool covered = false;
    std::optional<SolutionDigest> digest;
    mpz_class total;
    const std::string word = Solve(s, f, net, covered, digest, total, progress);
    AppendOutput(s.output, std::string(s.transitions ? "T" : "P") +
                               "-SEMI-FLOWS GENERATING SET --------------------------------\n\n" + word + "\n");
    if (s.classes) WriteClassListing(f.table, f.solution, s.output, s.full, total);
    else WriteInv(f.table, f.solution, s.output, s.full, s.minimal, digest ? &*digest : nullptr);
    if (s.bounds) WriteBounds(f.table, f.solution, net.summary.marking, net.unchanged, s.output, s.minimal);
  }
  KeepOrRemove(s, f);
  AppendOutput(s.output, TimeLine() + "ANALYSIS COMPLETED -----------------------------------------\n");
}

// The same run with the report as one JSON document: the net's summary and echo are not written.
void JsonReportRun(const RunSettings& s, bool& outputOpened, TerminalProgress& progress) {
  {
    File out = OpenOutput(s.output, "w");
    CloseFile(out, s.output);
  }
  outputOpened = true;
  const MainFiles f = MainFilesOf(s.base, s.transitions);
  const RunNet net = ReadRunNet(s, f, nullptr);
  JsonRun run;
  std::optional<SolutionDigest> digest;
  mpz_class total;
  if (s.flows) SolveFlows(s, f, net);
  else run.check = Solve(s, f, net, run.covered, digest, total, progress);
  run.classes = s.classes;
  run.total = total.get_str();
  run.isolated = net.isolated;
  run.flows = s.flows;
  run.input = s.input;
  run.format = NetFormatName(net.summary.format);
  run.net = net.summary.name;
  run.places = net.summary.places;
  run.transitions = net.summary.transitions;
  run.transitionKind = s.transitions;
  run.mode = s.mode == kDirect ? "direct" : s.mode == kSimultaneous ? "simultaneous" : "sequential";
  run.minimal = s.minimal;
  run.listed = s.full;
  run.marking = s.transitions ? nullptr : &net.summary.marking;
  run.bounds = s.bounds;
  run.unchanged = net.unchanged;
  run.seconds = ProcessorSeconds();
  // The document reads the files it holds open, so "-o" is delivered before it begins: a failed
  // delivery leaves no document that claims the result.
  Listing listing = OpenListing(f.table, f.solution, s.output, "w");
  KeepOrRemove(s, f);
  // standard output cannot be written anew: from here the document ends itself with an error
  if (s.output == "-") outputOpened = false;
  WriteJsonReport(run, listing, f.solution, s.output);
}

// The report on standard output begins with the banner even when the input cannot be read.
[[noreturn]] void FailInput(const RunSettings& s, const Failure& failure) {
  if (s.output == "-" && !s.json) AppendOutput(s.output, kBanner);
  throw failure;
}

// A run; `outputOpened` tells the failure path that a JSON error document may go to the output.
// Nothing is written before the guards have passed and the lock on the base is held, so that a
// failure known before the run leaves the report file as it was. At debug level 0 a failed run
// removes the work files it made.
void Run(RunSettings s, bool& outputOpened, TerminalProgress& progress) {
  if (!s.baseGiven) s.base = DefaultBase(s.input);
  outputOpened = s.output == "-";
  CheckInputSafe(s);
  CheckOutputsApart(s);
  CheckResultPath(s);
  if (const std::optional<Failure> unreadable = InputFailure(s.input)) FailInput(s, *unreadable);
  CheckWorkBase(s);
  const BaseLock lock(s.base);
  const NewFiles made(s.debug == 0 ? LevelZeroFileNames(s.base, s.transitions) : std::vector<std::string>{});
  try {
    if (s.json) JsonReportRun(s, outputOpened, progress);
    else TextRun(s, progress);
  } catch (...) {
    made.Remove();
    throw;
  }
}

}  // namespace

RunSettings ScanCommandLine(const std::vector<std::string>& words) {
  RunSettings s;
  int state = kNoName;
  std::vector<int> pending;  // states to return to once the awaited arguments are taken
  auto await = [&](int next) { pending.push_back(state); state = next; };
  auto resume = [&] { state = pending.back(); pending.pop_back(); };
  // A level outside 32 bits is reported where the scan would fail or end, unless help comes.
  std::optional<Failure> badLevel;
  auto fail = [&](const std::string& message) {
    if (badLevel) throw *badLevel;
    Fail(kExitInput, message);
  };
  for (const std::string& w : words) {
    if (w == "-h" || w == "-help") {
      s.help = true;
      return s;
    }
    if (w == "--help") {
      s.help = s.extensionHelp = true;
      return s;
    }
    if (w == "--version") {
      s.version = true;
      return s;
    }
    if (TakeExtension(w, s)) continue;
    if (w == "-q") s.full = false;
    else if (w == "-v") s.full = true;
    else if (w == "-P") s.transitions = false;
    else if (w == "-T") s.transitions = true;
    else if (w == "-c") s.mode = kSimultaneous;
    else if (w == "-s") s.mode = kSequential;
    else if (w == "-w") { s.baseGiven = true; await(kAwaitBase); }
    else if (state == kAwaitBase) { s.base = w; resume(); }
    else if (w == "-d") await(kAwaitLevel);
    else if (state == kAwaitLevel) { s.debug = LevelOf(w, badLevel); resume(); }
    else if (w == "-o") { s.pathGiven = true; await(kAwaitPath); }
    else if (state == kAwaitPath) { s.resultPath = w; resume(); }
    else if (state == kNoName) { s.input = w; state = kInputTaken; }
    else if (state == kInputTaken) { s.output = w; state = kBothTaken; }
    else fail("*** unknown option: " + w + "\n");
  }
  if (!pending.empty()) fail(std::string("*** missing argument for ") + AwaitedOption(state) + "\n");
  if (s.flows && (s.mode != kDirect || s.minimal)) fail("*** --flows cannot be combined with -c, -s or --minimal\n");
  if (s.bounds && s.transitions) fail("*** --bounds needs P-semiflows: not with -T\n");
  if (s.bounds && s.flows) fail("*** --bounds needs P-semiflows: not with --flows\n");
  if (s.classes && !s.minimal) fail("*** --classes needs --minimal\n");
  if (s.bounds && s.classes) fail("*** --bounds needs the semiflows listed: not with --classes\n");
  if (badLevel) throw *badLevel;
  return s;
}

std::string DefaultBase(const std::string& input) {
  const size_t slash = input.rfind('/');
  if (slash == std::string::npos) return "__" + input;
  return input.substr(0, slash + 1) + "__" + input.substr(slash + 1);
}

namespace {

// Reports a failure and returns its exit code. Without "--json" the message goes to standard
// output. With it the message goes to standard error, and the error document to `document`
// when one is given ("-" is standard output): the output then holds one JSON document.
int EndWith(const Failure& failure, bool json, const std::optional<std::string>& document) {
  std::fflush(stdout);
  if (!json) return ReportFailure(failure);
  std::fwrite(failure.message.data(), 1, failure.message.size(), stderr);
  if (document) {
    try {
      WriteJsonError(*document, failure.code, failure.message);
    } catch (const Failure&) {  // the output cannot be written after all: the message stands
    } catch (const std::bad_alloc&) {
    }
  }
  return failure.code;
}

// Writes the help text or the version line to standard output, checked to the flush.
void PrintText(const std::string& text) {
  File out = OpenOutput("-", "w");
  WriteText(out.get(), text);
  CloseFile(out, "-");
}

// A run with the settings that `scan` gives, under the memory limit when `capMemory`; prints a
// failure and turns it into the exit code. With `json` ("--json" on the command line) the error
// document of a command-line failure goes to standard output, that of a run to its output once
// the run may write there.
template <class Scan>
int Guarded(Scan&& scan, bool capMemory, bool json) {
  RunSettings settings;
  bool running = false;       // past the command line
  bool outputOpened = false;  // a run's error document may go to its output
  const auto document = [&]() -> std::optional<std::string> {
    if (!running) return "-";
    if (outputOpened) return settings.output;
    return std::nullopt;
  };
  try {
    settings = scan();
    if (settings.help || settings.version) {
      PrintText(settings.version ? kVersionText
                                 : std::string(kHelpText) + (settings.extensionHelp ? kExtensionHelpText : ""));
      return kExitOk;
    }
    std::optional<MemoryCap> cap;
    if (capMemory) {
      cap.emplace(MemoryLimit(settings.memory));
      KeepFreedMemory();
    }
    TerminalProgress progress(TerminalProgress::StandardErrorIsTerminal());
    running = true;
    Run(settings, outputOpened, progress);
    std::fflush(stdout);
    return kExitOk;
  } catch (const Failure& failure) {
    return EndWith(failure, json, document());
  } catch (const std::bad_alloc&) {
    return EndWith(Failure(kExitMemory, "*** not enough memory\n"), json, document());
  }
}

}  // namespace

int RunPelorin(const std::vector<std::string>& words) {
  const bool json = std::find(words.begin(), words.end(), "--json") != words.end();
  return Guarded([&] { return ScanCommandLine(words); }, true, json);
}

int RunPelorin(const RunSettings& settings) {
  return Guarded([&] { return settings; }, false, settings.json);
}

}  // namespace pelorin
