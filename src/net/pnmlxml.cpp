// PNML XML events into the document's tables (pnmlxml.h).
#include "net/pnmlxml.h"

#include <expat.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "matrix/failure.h"

namespace pelorin::pnml {
namespace {

constexpr size_t kPiece = 1 << 20;  // bytes given to the parser at once

// What an open element is to the reader; it decides what the element's children and text mean.
enum class Role : uint8_t {
  kIgnored,      // passed over with everything inside it
  kRoot,         // pnml
  kNet,          // net
  kPage,         // page, inside the net or a page
  kNode,         // place, transition or reference, the last of `nodes`
  kArc,          // arc, the last of `arcs`
  kNetName,      // name of the net
  kNodeName,     // name of a node
  kMarking,      // initialMarking of a place
  kInscription,  // inscription of an arc
  kArcType,      // type child of an arc
  kArcTool,      // toolspecific of an arc, and everything inside it
  kText,         // text of a name, marking, inscription or arc type
};

// The document being read and the parser's state around it.
struct Reader : Document {
  XML_Parser parser = nullptr;
  std::exception_ptr failure;        // the first failure of a callback
  std::vector<Role> roles;           // the open elements, outermost first
  std::string text;                  // character data of the open text (or tool specific) element
};

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string lower;
  for (const char c : s)
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      lower += c;
    } else if (c >= 'A' && c <= 'Z') {
      lower += static_cast<char>(c - 'A' + 'a');
    }
  return lower;  // letters and digits only, lower case
}

bool EndsWith(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The arc kind a word names ("inhibitor", "readArc", "tapnInhibitor", "normal", ...).
ArcKind ArcKindOf(std::string_view word) {
  const std::string w = Lower(word);
  if (EndsWith(w, "inhibitor") || EndsWith(w, "inhibitorarc")) return ArcKind::kInhibitor;
  if (w == "read" || w == "readarc" || w == "test" || w == "testarc") return ArcKind::kRead;
  if (w == "reset" || w == "resetarc") return ArcKind::kReset;
  if (w.empty() || w == "normal" || w == "normalarc" || w == "regular" || w == "ordinary" || w == "standard" ||
      w == "timed" || w == "transport")
    return ArcKind::kNormal;
  return ArcKind::kUnknown;
}

// count -> blanks [ "+" | "-" ] digits blanks; a negative count or no number is refused with
// `what`, a number outside 32 bits with the overflow message.
int32_t ParseCount(const std::string& text, const std::string& what) {
  const std::string_view s = Trimmed(text);
  size_t i = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  const bool negative = i == 1 && s[0] == '-';
  if (i == s.size()) FailPnml(what + " is not a non-negative integer: " + text);
  int64_t value = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') FailPnml(what + " is not a non-negative integer: " + text);
    value = value * 10 + (s[i] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) FailOverflow();
  }
  if (!negative && value > std::numeric_limits<int32_t>::max()) FailOverflow();
  if (negative && value != 0) FailPnml(what + " is not a non-negative integer: " + text);
  return static_cast<int32_t>(value);
}

// ---- Callbacks ----

// The value of the attribute with the local name `name`, or null.
const char* Attribute(const XML_Char** attributes, std::string_view name) {
  for (size_t i = 0; attributes[i] != nullptr; i += 2) {
    std::string_view key = attributes[i];
    const size_t colon = key.rfind(':');
    if (colon != std::string_view::npos) key.remove_prefix(colon + 1);
    if (key == name) return attributes[i + 1];
  }
  return nullptr;
}

const char* RequiredId(const XML_Char** attributes, std::string_view element) {
  const char* id = Attribute(attributes, "id");
  if (id == nullptr) FailPnml(std::string(element) + " without id");
  return id;
}

[[noreturn]] void FailColoured() {
  FailPnml("the net is coloured (symmetric or high-level); only place/transition nets are read");
}

// net: one only; its type must be a place/transition net type, the core model (nets whose arcs
// weigh 1) or absent.
void StartNet(Reader& r, const XML_Char** attributes) {
  if (++r.nets > 1) FailPnml("more than one net in the document");
  if (const char* id = Attribute(attributes, "id")) r.netId = Keep(r, id);
  const char* type = Attribute(attributes, "type");
  if (type == nullptr) return;
  const std::string lower = Lower(type);
  for (const char* coloured : {"symmetric", "highlevel", "hlpn", "colo"})
    if (lower.find(coloured) != std::string::npos) FailColoured();
  std::string_view last = type;
  const size_t slash = last.find_last_of("/#");
  if (slash != std::string_view::npos) last.remove_prefix(slash + 1);
  const std::string kind = Lower(last);
  if (kind.rfind("ptnet", 0) != 0 && kind != "pnmlcoremodel")
    FailPnml("unknown net type " + std::string(type) + "; only place/transition nets (ptnet) are read");
}

void StartNode(Reader& r, NodeKind kind, std::string_view element, const XML_Char** attributes) {
  const char* id = RequiredId(attributes, element);
  Node node;
  node.kind = kind;
  node.id = Keep(r, id);
  if (kind == NodeKind::kPlaceReference || kind == NodeKind::kTransitionReference) {
    const char* ref = Attribute(attributes, "ref");
    if (ref == nullptr) FailPnml("reference " + std::string(id) + " has no ref");
    node.ref = Keep(r, ref);
  }
  r.nodes.push_back(std::move(node));
}

void MarkArc(Reader& r, ArcKind kind, const std::string& word) {
  Arc& arc = r.arcs.back();
  if (kind == ArcKind::kUnknown) FailPnml("arc " + Word(r, arc.id) + " has the unknown type " + word);
  if (kind > arc.kind) arc.kind = kind;
}

void StartArc(Reader& r, const XML_Char** attributes) {
  const std::string id = RequiredId(attributes, "arc");
  r.arcs.emplace_back();
  Arc& arc = r.arcs.back();
  arc.id = Keep(r, id);
  const char* source = Attribute(attributes, "source");
  const char* target = Attribute(attributes, "target");
  if (source == nullptr) FailPnml("arc " + id + " has no source");
  if (target == nullptr) FailPnml("arc " + id + " has no target");
  arc.source = Keep(r, source);
  arc.target = Keep(r, target);
  if (const char* type = Attribute(attributes, "type")) MarkArc(r, ArcKindOf(type), type);
}

// A word inside an arc's tool specific data marks the arc only when it names a kind that moves
// no token (or a reset); any other word is the tool's own business.
void ScanToolWord(Reader& r, std::string_view word) {
  const ArcKind kind = ArcKindOf(word);
  if (kind != ArcKind::kNormal && kind != ArcKind::kUnknown) MarkArc(r, kind, std::string(word));
}

void ScanToolElement(Reader& r, std::string_view name, const XML_Char** attributes) {
  ScanToolWord(r, r.text);
  r.text.clear();
  ScanToolWord(r, name);
  for (size_t i = 0; attributes[i] != nullptr; i += 2) ScanToolWord(r, attributes[i + 1]);
}

// The role of a new element called `name` inside an element of role `parent`.
Role ChildRole(Reader& r, Role parent, std::string_view name, const XML_Char** attributes) {
  switch (parent) {
    case Role::kRoot:
      if (name != "net") return Role::kIgnored;
      StartNet(r, attributes);
      return Role::kNet;
    case Role::kNet:
    case Role::kPage:
      if (name == "page") return Role::kPage;
      if (name == "place") return StartNode(r, NodeKind::kPlace, name, attributes), Role::kNode;
      if (name == "transition") return StartNode(r, NodeKind::kTransition, name, attributes), Role::kNode;
      if (name == "referencePlace") return StartNode(r, NodeKind::kPlaceReference, name, attributes), Role::kNode;
      if (name == "referenceTransition")
        return StartNode(r, NodeKind::kTransitionReference, name, attributes), Role::kNode;
      if (name == "arc") return StartArc(r, attributes), Role::kArc;
      if (name == "declaration") FailColoured();
      return name == "name" && parent == Role::kNet ? Role::kNetName : Role::kIgnored;
    case Role::kNode:
      if (name == "name") return Role::kNodeName;
      if (r.nodes.back().kind != NodeKind::kPlace) return Role::kIgnored;
      if (name == "type" || name == "hlinitialMarking") FailColoured();
      return name == "initialMarking" ? Role::kMarking : Role::kIgnored;
    case Role::kArc:
      if (name == "inscription") return Role::kInscription;
      if (name == "hlinscription") FailColoured();
      if (name == "type") {
        r.text.clear();
        if (const char* value = Attribute(attributes, "value")) MarkArc(r, ArcKindOf(value), value);
        return Role::kArcType;
      }
      if (name != "toolspecific") return Role::kIgnored;
      ScanToolElement(r, "", attributes);
      return Role::kArcTool;
    case Role::kNetName:
    case Role::kNodeName:
    case Role::kMarking:
    case Role::kInscription:
    case Role::kArcType:
      if (name != "text") return Role::kIgnored;
      r.text.clear();
      return Role::kText;
    case Role::kArcTool:
      ScanToolElement(r, name, attributes);
      return Role::kArcTool;
    case Role::kIgnored:
    case Role::kText:
      break;
  }
  return Role::kIgnored;
}

// The end of a text element: its content belongs to the element around it.
void EndText(Reader& r, Role owner) {
  switch (owner) {
    case Role::kNetName:
      r.netNamed = true;
      r.netName = r.text;
      break;
    case Role::kNodeName:
      r.nodes.back().named = true;
      r.nodes.back().name = KeepText(r, r.text);
      break;
    case Role::kMarking:
      r.nodes.back().marking = ParseCount(r.text, "the initial marking of place " + Word(r, r.nodes.back().id));
      break;
    case Role::kInscription:
      r.arcs.back().weight = ParseCount(r.text, "the inscription of arc " + Word(r, r.arcs.back().id));
      break;
    case Role::kArcType:
      MarkArc(r, ArcKindOf(r.text), r.text);
      break;
    default:
      break;
  }
  r.text.clear();
}

void EndArc(Reader& r) {
  const Arc& arc = r.arcs.back();
  if (arc.kind == ArcKind::kReset)
    FailPnml("arc " + Word(r, arc.id) + " is a reset arc; reset arcs have no linear effect and are not read");
}

template <class F>
void Guarded(Reader& r, F&& work) {
  if (r.failure) return;
  try {
    work();
  } catch (...) {
    r.failure = std::current_exception();
    XML_StopParser(r.parser, XML_FALSE);
  }
}

std::string_view LocalName(const XML_Char* name) {
  std::string_view s = name;
  const size_t colon = s.rfind(':');
  if (colon != std::string_view::npos) s.remove_prefix(colon + 1);
  return s;
}

void XMLCALL OnStart(void* data, const XML_Char* element, const XML_Char** attributes) {
  Reader& r = *static_cast<Reader*>(data);
  Guarded(r, [&] {
    const std::string_view name = LocalName(element);
    if (r.roles.empty()) {
      if (name != "pnml") FailPnml("the document is no PNML (root element " + std::string(name) + ")");
      r.roles.push_back(Role::kRoot);
      return;
    }
    r.roles.push_back(ChildRole(r, r.roles.back(), name, attributes));
  });
}

void XMLCALL OnEnd(void* data, const XML_Char* /*element*/) {
  Reader& r = *static_cast<Reader*>(data);
  Guarded(r, [&] {
    const Role role = r.roles.back();
    r.roles.pop_back();
    if (role == Role::kText) EndText(r, r.roles.back());
    if (role == Role::kArcTool) {
      ScanToolWord(r, r.text);
      r.text.clear();
    }
    if (role == Role::kArcType) {  // <type>inhibitor</type>
      MarkArc(r, ArcKindOf(r.text), r.text);
      r.text.clear();
    }
    if (role == Role::kArc) EndArc(r);
  });
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
  Reader& r = *static_cast<Reader*>(data);
  if (r.roles.empty()) return;
  const Role role = r.roles.back();
  if (role != Role::kText && role != Role::kArcTool && role != Role::kArcType) return;
  Guarded(r, [&] { r.text.append(text, static_cast<size_t>(length)); });
}

// ---- Parsing ----

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};


// Line ends before `end`, counted as XML counts them (CR LF, CR and LF each end one line).
unsigned long LinesBefore(std::string_view text, size_t end) {
  unsigned long lines = 0;
  for (size_t i = 0; i < end; ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= end || text[i + 1] != '\n'))) ++lines;
  return lines;
}

// Runs the parser over the document; the callbacks fill `r`.
void Parse(Reader& r, std::string_view text) {
  std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
  if (!parser) throw std::bad_alloc();
  r.parser = parser.get();
  XML_SetUserData(r.parser, &r);
  XML_SetElementHandler(r.parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(r.parser, OnText);
  const size_t start = DocumentStart(text);
  for (size_t pos = start;;) {
    const size_t piece = std::min(kPiece, text.size() - pos);
    const bool last = pos + piece == text.size();
    if (XML_Parse(r.parser, text.data() + pos, static_cast<int>(piece), last ? XML_TRUE : XML_FALSE) !=
        XML_STATUS_OK) {
      if (r.failure) std::rethrow_exception(r.failure);
      const XML_Error error = XML_GetErrorCode(r.parser);
      if (error == XML_ERROR_NO_MEMORY) throw std::bad_alloc();
      const unsigned long line = XML_GetCurrentLineNumber(r.parser) + LinesBefore(text, start);
      FailPnml("malformed XML at line " + std::to_string(line) + ": " + XML_ErrorString(error));
    }
    if (last) break;
    pos += piece;
  }
}

}  // namespace

size_t DocumentStart(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (IsBlankByte(text[pos])) {
      ++pos;
    } else if (text.compare(pos, 3, "\xEF\xBB\xBF") == 0) {
      pos += 3;
    } else {
      break;
    }
  }
  return pos;
}

Document ParseDocument(std::string_view text) {
  Reader r;
  r.words.reserve(text.size() / 4);  // room for the ids of a typical document, taken as used
  Parse(r, text);
  return std::move(static_cast<Document&>(r));
}

}  // namespace pelorin::pnml
