// The ".net" reader (netreader.h; the grammar is in readnet.h).
#include "net/netreader.h"

#include <cstdint>
#include <string_view>

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/lines.h"
#include "net/netinput.h"
#include "net/networds.h"

namespace pelorin {
namespace {

bool IsArrow(const std::string& line, size_t pos) { return line.compare(pos, 2, "->") == 0; }

// weight -> "*" [sign] digits [ "K" | "M" ], the rest of the word skipped; no digits give 0
int32_t ReadWeight(const std::string& line, size_t& pos) {
  ++pos;
  int32_t weight = 0;
  if (!IsSpace(line, pos) && ParseInt(line, pos, weight)) weight = ApplyMultiplier(line, pos, weight);
  SkipWord(line, pos);
  return weight;
}

// True for an item that is a test, inhibitor or stopwatch arc: a name followed directly by a
// suffix that ends the word. A plain name holds its suffix: it is cut off `name`. After a
// braced name the suffix is skipped. Anything else is an ordinary item, as read.
bool CutNoTokenSuffix(const std::string& line, size_t& pos, std::string& name) {
  if (!IsSpace(line, pos)) {
    if (name.empty() || name[0] != '{' || (line[pos] != '?' && line[pos] != '!')) return false;
    size_t end = pos;
    SkipWord(line, end);
    if (!IsNoTokenWord(line.substr(pos, end - pos))) return false;
    pos = end;
    return true;
  }
  if (!name.empty() && name[0] == '{') return false;
  const size_t mark = name.find_last_of("?!");
  if (mark == std::string::npos || mark == 0 || !IsNoTokenWord(name.substr(mark))) return false;
  name.resize(mark);
  return true;
}

// The arcs between a node declared on a line and the items of one of its lists. A transition's
// inputs and a place's outputs are place-to-transition arcs; the other two lists are the
// transition-to-place arcs.
struct ItemList {
  Kind declared;    // kind of the line's node; the items are of the other kind
  int32_t node;     // its number
  bool beforeArrow;
};

ArcTable& TableOf(NetModel& net, const ItemList& list) {
  return (list.declared == Kind::kTransition) == list.beforeArrow ? net.apt : net.atp;
}

// item -> name [ "*" weight ] | name suffix   (the second kind makes the node but no arc)
void ReadItem(NetModel& net, const std::string& line, size_t& pos, const ItemList& list) {
  std::string name = GetName(line, pos);
  const bool movesTokens = !CutNoTokenSuffix(line, pos, name);
  const int32_t other = FindOrAddNode(net, Other(list.declared), name);
  if (movesTokens) {
    const bool declaredPlace = list.declared == Kind::kPlace;
    ArcTable& arcs = TableOf(net, list);
    const size_t arc = FindOrAddArc(arcs, declaredPlace ? list.node : other, declaredPlace ? other : list.node);
    if (pos < line.size() && line[pos] == '*') arcs.weight[arc] = ReadWeight(line, pos);
  }
  SwallowSpace(line, pos);
}

// lists -> { item } [ "->" { item } ]; a second arrow is an item
void ReadArcLists(NetModel& net, const std::string& line, size_t& pos, Kind declared, int32_t node) {
  SwallowSpace(line, pos);
  ItemList list{declared, node, true};
  while (pos < line.size() && !IsArrow(line, pos)) ReadItem(net, line, pos, list);
  if (pos >= line.size()) return;
  pos += 2;
  SwallowSpace(line, pos);
  list.beforeArrow = false;
  while (pos < line.size()) ReadItem(net, line, pos, list);
}

// The node declared on a "tr" or "pl" line: an existing one of its kind, or a new one unless the
// name belongs to the other kind.
int32_t DeclareNode(NetModel& net, Kind kind, const std::string& name) {
  const int32_t number = FindNode(net, kind, name);
  if (number != 0) return number;
  if (FindNode(net, Other(kind), name) != 0) Fail(kExitFile, "*** duplicate name: " + name + "\n");
  return AddNode(net, kind, name);
}

// label -> ":" name, the colon a word of its own and the name neither empty nor "->"; the rest of
// the name's word and the blanks after it are skipped. Anything else is left to the arc lists.
void SkipLabel(const std::string& line, size_t& pos) {
  if (pos >= line.size() || line[pos] != ':' || !IsSpace(line, pos + 1)) return;
  size_t end = pos + 1;
  SwallowSpace(line, end);
  if (end >= line.size()) return;
  const std::string label = GetName(line, end);
  if (label.empty() || label == "->") return;
  SkipWord(line, end);
  SwallowSpace(line, end);
  pos = end;
}

// marking -> "(" count ")" as one word; any other word beginning with "(" is skipped and gives 0
int32_t ReadMarking(const std::string& line, size_t& pos) {
  size_t end = pos + 1;
  const std::optional<int64_t> count = ScanCount(line, end);
  const bool closed = end < line.size() && line[end] == ')' && IsSpace(line, end + 1);
  SkipWord(line, pos);
  return count && closed ? CheckedCount(*count) : 0;
}

// "tr" name [ label ] [ interval ] lists
// "pl" name [ label ] [ marking ] lists
void ReadNodeLine(NetModel& net, const std::string& line, size_t& pos, Kind kind) {
  SwallowSpace(line, pos);
  const std::string name = GetName(line, pos);
  if (name == "->") {
    Fail(kExitFile, std::string(kind == Kind::kPlace ? "*** empty place name: " : "*** empty transition name: ") +
                        line + "\n");
  }
  const int32_t node = DeclareNode(net, kind, name);
  SwallowSpace(line, pos);
  SkipLabel(line, pos);
  if (pos < line.size()) {
    const char c = line[pos];
    if (kind == Kind::kTransition && (c == '[' || c == ']')) SkipWord(line, pos);
    if (kind == Kind::kPlace && c == '(') SetMarking(net, node, ReadMarking(line, pos));
  }
  ReadArcLists(net, line, pos, kind, node);
}

}  // namespace

void ReadNET(NetModel& net, const std::string& text) {
  ForEachNetLine(text, [&](const std::string& line, size_t pos) {
    const std::string word = GetName(line, pos);
    if (word == "net") {
      SwallowSpace(line, pos);
      net.netname = GetName(line, pos);
    } else if (word == "tr") {
      ReadNodeLine(net, line, pos, Kind::kTransition);
    } else if (word == "pl") {
      ReadNodeLine(net, line, pos, Kind::kPlace);
    } else if (word != "lb" && word != "pr" && word != "nt") {
      Fail(kExitFile, "*** unknown command: " + word + "\n");
    }
    return false;
  });
}

}  // namespace pelorin
