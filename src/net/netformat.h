// Recognition of the three net formats by content. Reads a whole input text; writes nothing.
//
// When the first byte that is not a blank (space, tab, carriage return, line feed) nor part of a
// UTF-8 byte-order mark is "<", the input is PNML (pnml.h). Otherwise lines beginning with "#"
// and blank lines are passed over; when the first other line begins (after blanks) with "p ",
// "t " or "h ", the input is ".ndr", otherwise ".net" (also when there is no such line).
// Example: "# a net\n  p 1 2 a\n" is ".ndr", "pl a\n" is ".net", " <pnml>" is PNML.
#pragma once

#include <string>

namespace pelorin {

enum class NetFormat { kNet, kNdr, kPnml };

// "net", "ndr" or "pnml".
const char* NetFormatName(NetFormat format);

// The format of a whole input text, by the recognition rule above.
NetFormat RecognizeNetFormat(const std::string& text);

}  // namespace pelorin
