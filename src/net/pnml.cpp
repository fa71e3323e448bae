// PNML reader: recognition, the ".net" spelling of names, and the reading of a document into the
// net model, in two steps: the XML events into the document's tables (pnmlxml.h), then the model
// from the tables (pnmlmodel.h). The grammar, the name rule and the messages are in pnml.h.
#include "net/pnml.h"

#include "net/pnmldocument.h"
#include "net/pnmlmodel.h"
#include "net/pnmlxml.h"

namespace pelorin {

bool IsPnml(std::string_view text) {
  const size_t start = pnml::DocumentStart(text);
  return start < text.size() && text[start] == '<';
}

std::string NetSyntaxName(const std::string& name) {
  bool braced = name.empty() || name[0] == '{' || name[0] == '[' || name[0] == ']' || name[0] == '(' ||
                name.compare(0, 2, "->") == 0;
  for (const char c : name) braced = braced || pnml::IsBlankByte(c) || c == '*';
  if (!braced) return name;
  std::string written = "{";
  for (const char c : name) {
    if (c == '\\' || c == '}') written += '\\';
    written += c;
  }
  return written + "}";
}

void ReadPNML(NetModel& net, std::string_view text, const std::function<void()>& parsed) {
  pnml::Document doc = pnml::ParseDocument(text);
  if (parsed) parsed();  // the text is done with: room for the model
  if (doc.nets == 0) pnml::FailPnml("no net in the document");
  pnml::IndexNodes(doc);
  pnml::BuildNetModel(net, doc);
}

}  // namespace pelorin
