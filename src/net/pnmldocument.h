// The PNML document as read, before the net model is built from it: the nodes, references and
// arcs with their ids, names, markings and inscriptions, in document order. The XML event
// handling (pnmlxml.h) fills it; the model building (pnmlmodel.h) reads it. Ids and names are
// kept once in one text (`words`), each followed by a zero byte, and named by their offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::pnml {

constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();  // no node index
constexpr size_t kNoWord = std::numeric_limits<size_t>::max();    // no offset in `words`

enum class NodeKind : uint8_t { kPlace, kTransition, kPlaceReference, kTransitionReference };

// Ordered by strength: the strongest kind any marker of an arc gives is the arc's kind.
enum class ArcKind : uint8_t { kNormal, kRead, kInhibitor, kReset, kUnknown };

struct Node {
  size_t id = kNoWord;              // its id, in Document::words
  size_t ref = kNoWord;             // references: the id they refer to, in Document::words
  size_t name = kNoWord;            // its name/text, in Document::words
  int32_t marking = 0;               // places: the initialMarking/text
  NodeKind kind = NodeKind::kPlace;
  bool named = false;               // a name/text was given
};

// The ids of an arc and of its ends, in Document::words. Arc ids only label arcs (real files
// repeat them) and may coincide with anything.
struct Arc {
  size_t id = kNoWord;
  size_t source = kNoWord;
  size_t target = kNoWord;
  int32_t weight = 1;               // inscription
  ArcKind kind = ArcKind::kNormal;  // from its type and tool specific markers
};

// The document's tables.
struct Document {
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
  // the document is read (IndexNodes), of node index + 1 (0: empty), its size a power of two at
  // least twice the number of nodes
  std::vector<uint32_t> slots;
};

// Ends the run with "*** PNML: MESSAGE\n" and exit code 2.
[[noreturn]] void FailPnml(const std::string& message);

// Space, tab, carriage return or line feed.
inline bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// True when `s` holds a byte below 0x20 or 0x7f.
bool HasControl(std::string_view s);

// Keeps a text in `words` (an XML text holds no zero byte); returns where it begins.
size_t KeepText(Document& doc, std::string_view text);

// Keeps an id, which may hold no control character.
size_t Keep(Document& doc, std::string_view id);

// The word kept at `at`.
inline std::string_view WordView(const Document& doc, size_t at) { return doc.words.c_str() + at; }
inline std::string Word(const Document& doc, size_t at) { return doc.words.c_str() + at; }

// Fills the table of node ids; two nodes with one id are refused, naming the first node in
// document order whose id an earlier node has.
void IndexNodes(Document& doc);

// The node index of the id kept at `at`, or kNone (after IndexNodes).
uint32_t NodeOf(const Document& doc, size_t at);

}  // namespace pelorin::pnml
