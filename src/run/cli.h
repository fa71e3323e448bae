// The command line of the program, the order of a run and the report frame.
//
// A run writes the banner to the output (emptying a file), has the net converted into the work
// files W.spm, W.nmp and W.nmt (W is the work-file base: "-w", else the input's directory and
// "__" before its file name), computes the P-semiflows of W.spm (or, with "-T", the
// T-semiflows of its transpose W.spmt) into W.spm.inv or W.spmt.inv, appends the heading, the
// check word and the listing (with "--bounds", then the place bounds, report/bounds.h), keeps or
// removes the work files by the debug level ("-o" moves the solution file to its path), and
// closes the report with the time line and "ANALYSIS COMPLETED".
#pragma once

#include <string>
#include <vector>

#include "run/driver.h"

namespace pelorin {

// The settings of one run, as the command line gives them.
struct RunSettings {
  bool help = false;            // "-h" or "-help" seen: print the help text and stop
  bool full = true;             // full output ("-v"): the echo and the semiflows by name; digest ("-q")
  bool transitions = false;     // T-semiflows ("-T") instead of P-semiflows ("-P")
  Mode mode = kDirect;          // direct, simultaneous ("-c") or sequential ("-s")
  int debug = 0;                // "-d" level
  bool baseGiven = false;       // "-w" seen
  std::string base;             // work-file base
  bool pathGiven = false;       // "-o" seen
  std::string resultPath;       // where the solution file goes
  std::string input = "-";      // "-" is standard input
  std::string output = "-";     // "-" is standard output
  // Extensions (long options beginning with "--"); with none given every output is as above.
  bool extensionHelp = false;   // "--help": the help text followed by the list of extensions
  bool version = false;         // "--version": print the version line and stop
  bool minimal = false;         // "--minimal": the minimal-support semiflows
  bool classes = false;         // "--classes" (with "--minimal"): the semiflows in classes of parallel nodes
  bool json = false;            // "--json": the report as one JSON document
  bool flows = false;           // "--flows": a basis of the integer flows (report/flowsreport.h, solver/flows.h)
  bool bounds = false;          // "--bounds": the place bounds the P-semiflows prove
  std::string memory;           // "--memory=SIZE": the memory limit of the run, as written
};

extern const char* const kHelpText;
extern const char* const kExtensionHelpText;  // printed after kHelpText by "--help"
extern const char* const kVersionText;        // "--version": "Pelorin <version>\n"
extern const char* const kBanner;

// Scans the words after the program name. "-h", "-help", "--help" and "--version" end the scan
// where they come. A third positional word, a command line that ends while an argument is
// awaited and "--bounds" with "-T" end the run (exit code 4).
RunSettings ScanCommandLine(const std::vector<std::string>& words);

// The default work-file base for an input name: "__" before its file name.
std::string DefaultBase(const std::string& input);

// A whole run; returns the exit code. Failures are printed here: the "***" message on standard
// output, or, when "--json" stands on the command line, on standard error with the error document
// on standard output (a command-line error) or in the report (a failure of the run).
int RunPelorin(const std::vector<std::string>& words);

// A run with settings already scanned (no help text, no memory limit); returns the exit code.
int RunPelorin(const RunSettings& settings);

}  // namespace pelorin
