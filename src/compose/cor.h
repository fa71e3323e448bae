// Collapse of the graph of subnets into the sequence of sequential composition.
#pragma once

#include <string>

namespace pelorin {

// Returns the number of collapse steps written to `sequence`.
int CollapseOfGraph(int strategy, const std::string& graph, const std::string& sequence);

}  // namespace pelorin
