// Recognition of the net formats (netformat.h).
#include "net/netformat.h"

#include "net/netinput.h"
#include "net/pnml.h"

namespace pelorin {
namespace {

// ".ndr" or ".net": decided by the first line that is neither a comment nor blank, whose first
// two non-blank characters are "p ", "t " or "h " in a ".ndr" net.
NetFormat RecognizeFile(const std::string& text) {
  NetFormat format = NetFormat::kNet;
  ForEachNetLine(text, [&](const std::string& line, size_t pos) {
    const std::string head = line.substr(pos, 2);
    if (head == "p " || head == "t " || head == "h ") format = NetFormat::kNdr;
    return true;
  });
  return format;
}

}  // namespace

NetFormat RecognizeNetFormat(const std::string& text) {
  if (IsPnml(text)) return NetFormat::kPnml;
  return RecognizeFile(text);
}

const char* NetFormatName(NetFormat format) {
  switch (format) {
    case NetFormat::kNdr:
      return "ndr";
    case NetFormat::kPnml:
      return "pnml";
    case NetFormat::kNet:
      break;
  }
  return "net";
}

}  // namespace pelorin
