// PNML reader (the grammar, the name rule and the messages are in pnml.h).
//
// The text goes through the XML parser (expat) in pieces, so the parser holds little beyond the
// input text itself. The parser's callbacks collect the nodes, the references and the arcs with
// their ids; references and arc ends may come before the nodes they name, so the model is built
// only after the whole document has been read. A callback must not throw through the parser: it
// keeps the first failure, stops the parser, and the failure is raised again once the parser
// has returned.
#include "net/pnml.h"

#include <expat.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "matrix/spm.h"
#include "matrix/uti.h"
#include "matrix/failure.h"

namespace pelorin {
namespace {

constexpr size_t kPiece = 1 << 20;  // bytes given to the parser at once
constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

enum class NodeKind : uint8_t { kPlace, kTransition, kPlaceReference, kTransitionReference };

// Ordered by strength: the strongest kind any marker of an arc gives is the arc's kind.
enum class ArcKind : uint8_t { kNormal, kRead, kInhibitor, kReset, kUnknown };

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

constexpr size_t kNoWord = std::numeric_limits<size_t>::max();

struct Node {
  size_t id = kNoWord;              // its id, in Reader::words
  size_t ref = kNoWord;             // references: the id they refer to, in Reader::words
  size_t name = kNoWord;            // its name/text, in Reader::words
  NodeKind kind = NodeKind::kPlace;
  bool named = false;               // a name/text was given
};

// The ids of an arc and of its ends, in Reader::words. Arc ids only label arcs (real files repeat
// them) and may coincide with anything.
struct Arc {
  size_t id = kNoWord;
  size_t source = kNoWord;
  size_t target = kNoWord;
  int32_t weight = 1;               // inscription
  ArcKind kind = ArcKind::kNormal;  // from its type and tool specific markers
};

// The reader's tables while the parser runs.
struct Reader {
  XML_Parser parser = nullptr;
  std::exception_ptr failure;        // the first failure of a callback
  std::vector<Role> roles;           // the open elements, outermost first
  int nets = 0;                      // net elements met
  size_t netId = kNoWord;            // the net's id, in `words`
  bool netNamed = false;
  std::string netName;               // the net's name/text
  // places, transitions and references, and the arcs, in document order (deques: they grow
  // without being copied)
  std::deque<Node> nodes;
  std::deque<Arc> arcs;
  std::string words;                 // every id met, each followed by a zero byte
  // node ids, unique, by which arcs and references name nodes: an open-addressing table made once
  // the document is read, of node index + 1 (0: empty), its size a power of two at least twice
  // the number of nodes
  std::vector<uint32_t> slots;
  std::string text;                  // character data of the open text (or tool specific) element
};

[[noreturn]] void FailPnml(const std::string& message) { Fail(kExitFile, "*** PNML: " + message + "\n"); }

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool HasControl(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
  return false;
}

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

// ---- Ids ----

// Keeps a text in `words` (an XML text holds no zero byte); returns where it begins.
size_t KeepText(Reader& r, std::string_view text) {
  const size_t at = r.words.size();
  r.words.append(text);
  r.words += '\0';
  return at;
}

// Keeps an id, which may hold no control character.
size_t Keep(Reader& r, std::string_view id) {
  if (HasControl(id)) FailPnml("control character in id " + std::string(id));
  return KeepText(r, id);
}

std::string_view WordView(const Reader& r, size_t at) { return r.words.c_str() + at; }

std::string Word(const Reader& r, size_t at) { return r.words.c_str() + at; }

size_t HashId(std::string_view id) { return std::hash<std::string_view>{}(id); }

// Fills the table of node ids; two nodes with one id are refused, naming the first node in
// document order whose id an earlier node has.
void IndexNodes(Reader& r) {
  size_t size = 2;
  while (size < 2 * r.nodes.size()) size *= 2;
  r.slots.assign(size, 0);
  for (uint32_t i = 0; i < r.nodes.size(); ++i) {
    const std::string_view id = WordView(r, r.nodes[i].id);
    for (size_t k = HashId(id) & (size - 1);; k = (k + 1) & (size - 1)) {
      if (r.slots[k] == 0) {
        r.slots[k] = i + 1;
        break;
      }
      if (WordView(r, r.nodes[r.slots[k] - 1].id) == id) FailPnml("duplicate id " + std::string(id));
    }
  }
}

// The node index of the id kept at `at`, or kNone.
uint32_t NodeOf(const Reader& r, size_t at) {
  const std::string_view id = WordView(r, at);
  const size_t mask = r.slots.size() - 1;
  for (size_t k = HashId(id) & mask; r.slots[k] != 0; k = (k + 1) & mask)
    if (WordView(r, r.nodes[r.slots[k] - 1].id) == id) return r.slots[k] - 1;
  return kNone;
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
      ParseCount(r.text, "the initial marking of place " + Word(r, r.nodes.back().id));
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

// Position of the first byte that is no blank nor byte-order mark (text.size() when none).
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

// ---- Building the model ----

// Node index of the place or transition that node `i` stands for, through its references.
// `target` keeps the answers found so far (kNone: not yet, kBusy: on the chain being followed).
constexpr uint32_t kBusy = kNone - 1;

uint32_t Resolve(const Reader& r, uint32_t i, std::vector<uint32_t>& target) {
  std::vector<uint32_t> chain;
  uint32_t k = i;
  while (target[k] == kNone) {
    const Node& node = r.nodes[k];
    if (node.kind == NodeKind::kPlace || node.kind == NodeKind::kTransition) {
      target[k] = k;
      break;
    }
    target[k] = kBusy;
    chain.push_back(k);
    k = NodeOf(r, node.ref);
    if (k == kNone) FailPnml("reference " + Word(r, node.id) + " refers to the unknown node " + Word(r, node.ref));
  }
  if (target[k] == kBusy) FailPnml("reference " + Word(r, r.nodes[k].id) + " is part of a cycle of references");
  for (const uint32_t c : chain) target[c] = target[k];
  return target[k];
}

// Every reference stands for a node of its own kind; returns the node of every node index.
std::vector<uint32_t> ResolveReferences(const Reader& r) {
  std::vector<uint32_t> target(r.nodes.size(), kNone);
  for (uint32_t i = 0; i < r.nodes.size(); ++i) {
    const NodeKind kind = r.nodes[i].kind;
    const uint32_t t = Resolve(r, i, target);
    if (kind == NodeKind::kPlaceReference && r.nodes[t].kind != NodeKind::kPlace)
      FailPnml("reference place " + Word(r, r.nodes[i].id) + " does not stand for a place");
    if (kind == NodeKind::kTransitionReference && r.nodes[t].kind != NodeKind::kTransition)
      FailPnml("reference transition " + Word(r, r.nodes[i].id) + " does not stand for a transition");
  }
  return target;
}

bool IsNetNode(const Node& node) { return node.kind == NodeKind::kPlace || node.kind == NodeKind::kTransition; }

// The name rule: names when every place and transition has a usable one and all differ.
bool UseNames(const Reader& r) {
  std::unordered_set<std::string_view> seen;
  for (const Node& node : r.nodes) {
    if (!IsNetNode(node)) continue;
    if (!node.named || HasControl(WordView(r, node.name)) || !seen.insert(WordView(r, node.name)).second) return false;
  }
  return true;
}

// The name a node goes by, as written in ".net".
std::string NodeName(const Reader& r, const Node& node, bool names) {
  return NetSyntaxName(Word(r, names ? node.name : node.id));
}

// One arc of one direction, before parallel arcs are merged.
struct Incidence {
  uint64_t key;    // PairKey(transition number, node index of the place)
  uint32_t order;  // position among the arcs of its direction
  int32_t weight;
  uint32_t Transition() const { return static_cast<uint32_t>(key >> 32); }
  uint32_t Place() const { return static_cast<uint32_t>(key & 0xffffffffu); }
};

// Adds parallel arcs (one key) into the first and leaves the arcs grouped by transition, in
// transition order, each group in the order of its first arcs: the order in which ".net" lines
// make them. Sorting instead of looking each arc up keeps no index per arc.
void Merge(std::vector<Incidence>& arcs) {
  std::sort(arcs.begin(), arcs.end(),
            [](const Incidence& a, const Incidence& b) { return a.key != b.key ? a.key < b.key : a.order < b.order; });
  size_t kept = 0;
  for (const Incidence& arc : arcs) {
    if (kept > 0 && arcs[kept - 1].key == arc.key) {
      arcs[kept - 1].weight = CheckedAdd(arcs[kept - 1].weight, arc.weight);
    } else {
      arcs[kept++] = arc;
    }
  }
  arcs.resize(kept);
  std::sort(arcs.begin(), arcs.end(), [](const Incidence& a, const Incidence& b) {
    return a.Transition() != b.Transition() ? a.Transition() < b.Transition() : a.order < b.order;
  });
}

// The place or transition node an arc end names.
uint32_t ArcEnd(const Reader& r, const Arc& arc, size_t end, const std::vector<uint32_t>& target) {
  const uint32_t node = NodeOf(r, end);
  if (node == kNone) FailPnml("arc " + Word(r, arc.id) + " refers to the unknown node " + Word(r, end));
  return target[node];
}

// The arcs that move tokens, by direction: place to transition (inputs) and back (outputs).
void CollectArcs(const Reader& r, const std::vector<uint32_t>& target, const std::vector<int32_t>& number,
                 std::vector<Incidence>& inputs, std::vector<Incidence>& outputs) {
  for (const Arc& arc : r.arcs) {
    const uint32_t source = ArcEnd(r, arc, arc.source, target);
    const uint32_t destination = ArcEnd(r, arc, arc.target, target);
    const bool fromPlace = r.nodes[source].kind == NodeKind::kPlace;
    if (fromPlace == (r.nodes[destination].kind == NodeKind::kPlace))
      FailPnml("arc " + Word(r, arc.id) + (fromPlace ? " joins two places" : " joins two transitions"));
    if (arc.kind != ArcKind::kNormal) continue;  // inhibitor and read arcs move no token
    const auto transition = static_cast<uint32_t>(number[fromPlace ? destination : source]);
    std::vector<Incidence>& arcs = fromPlace ? inputs : outputs;
    arcs.push_back({PairKey(transition, fromPlace ? source : destination),
                    static_cast<uint32_t>(arcs.size()), arc.weight});
  }
  Merge(inputs);
  Merge(outputs);
}

// Builds the model. Transitions are numbered in document order; places in the order the echo
// names them (the inputs, then the outputs of each transition), then the places without arcs in
// document order, so that the echo read back as ".net" numbers everything alike.
void BuildModel(NetModel& net, const Reader& r, const std::vector<uint32_t>& target) {
  const bool names = UseNames(r);
  std::vector<int32_t> number(r.nodes.size(), 0);
  for (size_t i = 0; i < r.nodes.size(); ++i) {
    if (r.nodes[i].kind != NodeKind::kTransition) continue;
    net.tn.push_back(NodeName(r, r.nodes[i], names));
    number[i] = net.n();
  }
  std::vector<Incidence> inputs, outputs;
  inputs.reserve(r.arcs.size());
  outputs.reserve(r.arcs.size());
  CollectArcs(r, target, number, inputs, outputs);
  const auto numberPlace = [&](uint32_t node) {
    if (number[node] != 0) return;
    net.pn.push_back(NodeName(r, r.nodes[node], names));
    number[node] = net.m();
  };
  size_t a = 0, b = 0;
  for (uint32_t j = 1; j <= static_cast<uint32_t>(net.n()); ++j) {
    for (; a < inputs.size() && inputs[a].Transition() == j; ++a) numberPlace(inputs[a].Place());
    for (; b < outputs.size() && outputs[b].Transition() == j; ++b) numberPlace(outputs[b].Place());
  }
  for (uint32_t i = 0; i < r.nodes.size(); ++i)
    if (r.nodes[i].kind == NodeKind::kPlace) numberPlace(i);
  for (const Incidence& arc : inputs) AppendArc(net.apt, number[arc.Place()], static_cast<int32_t>(arc.Transition()), arc.weight);
  for (const Incidence& arc : outputs) AppendArc(net.atp, number[arc.Place()], static_cast<int32_t>(arc.Transition()), arc.weight);
}

void SetNetName(NetModel& net, const Reader& r) {
  if (r.netNamed && !HasControl(r.netName)) {
    net.netname = NetSyntaxName(r.netName);
  } else if (r.netId != kNoWord) {
    net.netname = NetSyntaxName(Word(r, r.netId));
  }
}

}  // namespace

bool IsPnml(std::string_view text) {
  const size_t start = DocumentStart(text);
  return start < text.size() && text[start] == '<';
}

std::string NetSyntaxName(const std::string& name) {
  bool braced = name.empty() || name[0] == '{' || name[0] == '[' || name[0] == ']' || name[0] == '(' ||
                name.compare(0, 2, "->") == 0;
  for (const char c : name) braced = braced || IsBlankByte(c) || c == '*';
  if (!braced) return name;
  std::string written = "{";
  for (const char c : name) {
    if (c == '\\' || c == '}') written += '\\';
    written += c;
  }
  return written + "}";
}

void ReadPNML(NetModel& net, std::string_view text, const std::function<void()>& parsed) {
  Reader r;
  r.words.reserve(text.size() / 4);  // room for the ids of a typical document, taken as used
  Parse(r, text);
  if (parsed) parsed();  // the text is done with: room for the model
  if (r.nets == 0) FailPnml("no net in the document");
  IndexNodes(r);
  const std::vector<uint32_t> target = ResolveReferences(r);
  BuildModel(net, r, target);
  SetNetName(net, r);
}

}  // namespace pelorin
