// The ".net" reader: one net in the ".net" text syntax into the empty net model (netmodel.h).
// Reads the whole input text; writes the model. The grammar is in readnet.h.
#pragma once

#include <string>

#include "net/netmodel.h"

namespace pelorin {

// Reads a ".net" net; a syntax error ends the run with its message (readnet.h).
void ReadNET(NetModel& net, const std::string& text);

}  // namespace pelorin
