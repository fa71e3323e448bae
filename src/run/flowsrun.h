// The run of "--flows": a basis of the integer flows instead of the semiflows.
//
// It writes the same work files as a direct run (W.spm, W.nmp, W.nmt, for T-flows W.spmt, and
// the solution file W.spm.inv or W.spmt.inv, lines "flow element coefficient" with signed
// coefficients, see solver/flows.h), moves the solution file to the "-o" path, and removes the
// work files at debug level 0. The text report is the banner, the net summary and echo (in full
// detail), the heading "P-FLOWS BASIS ---..." (or "T-FLOWS BASIS"), the listing of
// report/flowsreport.h, the time line and "ANALYSIS COMPLETED"; with "--json" it is the
// document of report/jsonreport.h with "flows": true.
#pragma once

#include "run/Pelorin.h"

namespace pelorin {

void FlowsTextRun(const RunSettings& settings);

// `outputOpened` tells the failure path that a JSON error document may go to the output.
void FlowsJsonRun(const RunSettings& settings, bool& outputOpened);

}  // namespace pelorin
