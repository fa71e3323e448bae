// The ".ndr" reader: one net in the ".ndr" text syntax into the empty net model (netmodel.h).
// Reads the whole input text; writes the model. The grammar is in readnet.h: among others, arc
// weights take the multipliers "K" and "M" ("6K" weighs 6000), and the test, inhibitor and
// stopwatch arcs ("?1", "?-1", "!1", "!-1" as the weight word) make no arc.
#pragma once

#include <string>

#include "net/netmodel.h"

namespace pelorin {

// Reads a ".ndr" net; a duplicate name or an unknown arc ends the run with its message.
void ReadNDR(NetModel& net, const std::string& text);

}  // namespace pelorin
