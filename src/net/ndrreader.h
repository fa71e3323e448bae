// The ".ndr" reader: one net in the ".ndr" text syntax into the empty net model (netmodel.h).
// Reads the whole input text; writes the model. The grammar is in readnet.h.
#pragma once

#include <string>

#include "net/netmodel.h"

namespace pelorin {

// Reads a ".ndr" net; a duplicate name or an unknown arc ends the run with its message.
void ReadNDR(NetModel& net, const std::string& text);

}  // namespace pelorin
