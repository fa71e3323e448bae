// The model side of the PNML reader: builds the net model (netmodel.h) from the document's
// tables (pnmldocument.h) once the whole document has been read, since references and arc ends
// may come before the nodes they name. Reads a Document whose node ids are indexed (IndexNodes);
// writes the names, arcs and net name of an empty NetModel. The numbering and name rules are in
// pnml.h.
#pragma once

#include "net/netmodel.h"
#include "net/pnmldocument.h"

namespace pelorin::pnml {

// Resolves the references, applies the name rule, merges parallel arcs, leaves out the arcs that
// move no token and fills `net`.
void BuildNetModel(NetModel& net, const Document& doc);

}  // namespace pelorin::pnml
