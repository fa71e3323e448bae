// The PNML document's tables: kept ids and the index of node ids (pnmldocument.h).
#include "net/pnmldocument.h"

#include <functional>

#include "matrix/failure.h"

namespace pelorin::pnml {
namespace {

size_t HashId(std::string_view id) { return std::hash<std::string_view>{}(id); }

}  // namespace

void FailPnml(const std::string& message) { Fail(kExitFile, "*** PNML: " + message + "\n"); }

bool HasControl(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
  return false;
}

size_t KeepText(Document& doc, std::string_view text) {
  const size_t at = doc.words.size();
  doc.words.append(text);
  doc.words += '\0';
  return at;
}

size_t Keep(Document& doc, std::string_view id) {
  if (HasControl(id)) FailPnml("control character in id " + std::string(id));
  return KeepText(doc, id);
}

void IndexNodes(Document& doc) {
  size_t size = 2;
  while (size < 2 * doc.nodes.size()) size *= 2;
  doc.slots.assign(size, 0);
  for (uint32_t i = 0; i < doc.nodes.size(); ++i) {
    const std::string_view id = WordView(doc, doc.nodes[i].id);
    for (size_t k = HashId(id) & (size - 1);; k = (k + 1) & (size - 1)) {
      if (doc.slots[k] == 0) {
        doc.slots[k] = i + 1;
        break;
      }
      if (WordView(doc, doc.nodes[doc.slots[k] - 1].id) == id) FailPnml("duplicate id " + std::string(id));
    }
  }
}

uint32_t NodeOf(const Document& doc, size_t at) {
  const std::string_view id = WordView(doc, at);
  const size_t mask = doc.slots.size() - 1;
  for (size_t k = HashId(id) & mask; doc.slots[k] != 0; k = (k + 1) & mask)
    if (WordView(doc, doc.nodes[doc.slots[k] - 1].id) == id) return doc.slots[k] - 1;
  return kNone;
}

}  // namespace pelorin::pnml
