// Flow listing (contract in flowsreport.h).
#include "report/flowsreport.h"

#include "matrix/textfile.h"
#include "report/writeinv.h"

namespace pelorin {

namespace {

// One member of a flow: its name, "*coefficient" unless it is 1, and a blank.
std::string MemberText(const NameTable& t, const WideElement& e) {
  const auto it = t.pn.find(e.col);
  std::string text = it != t.pn.end() ? it->second : "#" + std::to_string(e.col);
  if (e.value != "1") text += "*" + e.value;
  return text + " ";
}

// Lists the flows of the solution file; returns whether there was one.
bool ListFlows(std::FILE* in, const std::string& name, std::FILE* out, const NameTable& t) {
  bool any = false;
  int32_t current = 0;
  ForEachWideElement(in, name, true, [&](const WideElement& e) {
    if (!any || e.row != current) {
      current = e.row;
      any = true;
      WriteText(out, "\n");
    }
    WriteText(out, MemberText(t, e));
  });
  return any;
}

}  // namespace

std::string FlowsHeading(bool transitions) {
  std::string heading = transitions ? "T-FLOWS BASIS " : "P-FLOWS BASIS ";
  return heading + std::string(60 - heading.size(), '-') + "\n";
}

void WriteFlowsListing(const std::string& table, const std::string& solutions, const std::string& output, bool full,
                       const SolutionDigest& digest) {
  Listing listing = OpenListing(table, solutions, output, "a");
  std::FILE* out = listing.out.get();
  if (!full) WriteText(out, "\n" + std::to_string(digest.last) + " flow(s)");
  else if (!ListFlows(listing.solutions.get(), solutions, out, listing.names)) WriteText(out, "\nno flows");
  WriteText(out, "\n\n");
  CloseFile(listing.out, output);
}

}  // namespace pelorin
