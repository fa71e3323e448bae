// The run of "--flows" (contract in flowsrun.h). Reads the net; writes the report, the work
// files named from the work-file base and on request the result file ("-o").
#include "run/flowsrun.h"

#include <cstdio>
#include <ctime>

#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "net/readnet.h"
#include "report/flowsreport.h"
#include "report/jsonreport.h"
#include "solver/flows.h"

namespace pelorin {

namespace {

// Processor time of the process in whole milliseconds, as seconds (as the semiflow runs).
double ProcessorSeconds() {
  const long ms = static_cast<long>(static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC);
  return static_cast<double>(ms) / 1000.0;
}

void AppendOutput(const std::string& output, const std::string& text) {
  File out = OpenOutput(output, "a");
  WriteText(out.get(), text);
  std::fflush(out.get());
}

// The work files of the run, named from the base.
struct FlowFiles {
  explicit FlowFiles(const RunSettings& s)
      : spm(s.base + ".spm"),
        matrix(s.transitions ? s.base + ".spmt" : spm),
        solution(matrix + ".inv"),
        table(s.base + (s.transitions ? ".nmt" : ".nmp")) {}
  std::string spm, matrix, solution, table;
};

// Computes the flows of the matrix over every place (transition) of the net.
SolutionDigest Solve(const RunSettings& s, const FlowFiles& f, const NetSummary& net) {
  if (s.transitions) TransposeMatrix(f.spm, f.matrix);
  return IntegerFlowsFile(f.matrix, s.transitions ? net.transitions : net.places, f.solution);
}

// Moves the solution file to the "-o" path, and removes the work files at debug level 0.
void KeepOrRemove(const RunSettings& s, const FlowFiles& f) {
  if (s.pathGiven) std::rename(f.solution.c_str(), s.resultPath.c_str());
  else if (s.debug == 0) std::remove(f.solution.c_str());
  if (s.debug == 0) {
    std::remove(f.spm.c_str());
    if (s.transitions) std::remove(f.matrix.c_str());
    std::remove((s.base + ".nmp").c_str());
    std::remove((s.base + ".nmt").c_str());
  }
}

}  // namespace

void FlowsTextRun(const RunSettings& s) {
  {
    File out = OpenOutput(s.output, "w");
    WriteText(out.get(), kBanner);
    std::fflush(out.get());
  }
  const NetSummary net = ReadNDRNET(s.input, s.base, s.output, s.full ? 1 : 0);
  const FlowFiles f(s);
  const SolutionDigest digest = Solve(s, f, net);
  AppendOutput(s.output, FlowsHeading(s.transitions));
  WriteFlowsListing(f.table, f.solution, s.output, s.full, digest);
  KeepOrRemove(s, f);
  char time[64];
  std::snprintf(time, sizeof time, "%#.3fs\n\n", ProcessorSeconds());
  AppendOutput(s.output, std::string(time) + "ANALYSIS COMPLETED -----------------------------------------\n");
}

void FlowsJsonRun(const RunSettings& s, bool& outputOpened) {
  OpenOutput(s.output, "w");
  outputOpened = true;
  const NetSummary net = ReadNDRNET(s.input, s.base, "/dev/null", 0);
  const FlowFiles f(s);
  Solve(s, f, net);
  JsonRun run;
  run.input = s.input;
  run.format = NetFormatName(net.format);
  run.net = net.name;
  run.places = net.places;
  run.transitions = net.transitions;
  run.transitionKind = s.transitions;
  run.mode = "direct";
  run.flows = true;
  run.listed = s.full;
  run.seconds = ProcessorSeconds();
  WriteJsonReport(run, f.table, f.solution, s.output);
  KeepOrRemove(s, f);
}

}  // namespace pelorin
