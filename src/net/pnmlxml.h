// The XML side of the PNML reader: runs the XML parser (expat) over the document text and turns
// its events (elements, attributes, character data) into the document's tables (pnmldocument.h).
// Reads the text of a document; writes a Document and nothing else. The element grammar and the
// messages are in pnml.h.
//
// The text goes through the parser in pieces, so the parser holds little beyond the input text
// itself. A callback must not throw through the parser: it keeps the first failure, stops the
// parser, and the failure is raised again once the parser has returned.
#pragma once

#include <cstddef>
#include <string_view>

#include "net/pnmldocument.h"

namespace pelorin::pnml {

// Position of the first byte of `text` that is no blank nor byte-order mark (text.size() when
// none).
size_t DocumentStart(std::string_view text);

// Parses the document; fails with the PNML messages of the elements and with "malformed XML".
Document ParseDocument(std::string_view text);

}  // namespace pelorin::pnml
