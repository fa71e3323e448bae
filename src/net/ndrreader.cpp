// The ".ndr" reader (ndrreader.h; the grammar is in readnet.h).
#include "net/ndrreader.h"

#include <cstdint>
#include <optional>

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/lines.h"
#include "net/netinput.h"
#include "net/networds.h"

namespace pelorin {
namespace {

// marking -> count, one word; any other word (or none) gives 0
int32_t ReadNdrMarking(const std::string& line, size_t pos) {
  SwallowSpace(line, pos);
  const std::optional<int64_t> count = ScanCount(line, pos);
  return count && IsSpace(line, pos) ? CheckedCount(*count) : 0;
}

// node -> letter word word name [ marking ] ...; names are unique across places and transitions
void ReadNdrNode(NetModel& net, const std::string& line, size_t& pos, Kind kind) {
  for (int skipped = 0; skipped < 2; ++skipped) {
    SwallowSpace(line, pos);
    SkipWord(line, pos);
  }
  SwallowSpace(line, pos);
  const std::string name = GetName(line, pos);
  if (FindNode(net, Kind::kPlace, name) != 0 || FindNode(net, Kind::kTransition, name) != 0)
    Fail(kExitFile, "*** duplicate name: " + name + "\n");
  const int32_t node = AddNode(net, kind, name);
  if (kind == Kind::kPlace) SetMarking(net, node, ReadNdrMarking(line, pos));
}

// The start of the second-to-last word of the line, the weight word; npos when there is none.
// The backward walk stops at the blank before that word or at the line's first character; the
// word must begin right after that point, so a walk that reaches the line's start over blanks
// ("e 5") finds none.
size_t NdrWeightWord(const std::string& line) {
  size_t i = line.size() - 1;
  while (i > 0 && IsBlank(line[i])) --i;
  while (i > 0 && !IsBlank(line[i])) --i;
  while (i > 0 && IsBlank(line[i])) --i;
  while (i > 0 && !IsBlank(line[i])) --i;
  if (i + 1 >= line.size() || IsBlank(line[i + 1])) return std::string::npos;
  return i + 1;
}

// weight -> number [ "K" | "M" ] ...: the number at the start of the word at `start` (0 when it
// does not begin with one), times the multiplier when "K" or "M" follows the digits and ends the
// word; anything else after the number is passed over.
int32_t NdrWeight(const std::string& line, size_t start) {
  int32_t weight = 0;
  if (start == std::string::npos || !ParseInt(line, start, weight)) return 0;
  if (!IsSpace(line, start) && IsSpace(line, start + 1)) weight = ApplyMultiplier(line, start, weight);
  return weight;
}

// True when the weight word at `start`, after the target (which ends at `targetEnd`), marks a
// test, inhibitor or stopwatch arc ("?1", "?-1", "!1", "!-1").
bool IsNoTokenArc(const std::string& line, size_t start, size_t targetEnd) {
  if (start == std::string::npos || start < targetEnd) return false;
  size_t end = start;
  SkipWord(line, end);
  return IsNoTokenWord(line.substr(start, end - start));
}

// Skips a word that begins with a decimal digit, and the blanks after it.
void SkipNumericWord(const std::string& line, size_t& pos) {
  if (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') SkipWord(line, pos);
  SwallowSpace(line, pos);
}

// arc -> "e" source [ digit-word [ digit-word ] ] target ... weight word; a weight word that
// marks an arc moving no token makes no arc (the nodes must exist all the same)
void ReadNdrArc(NetModel& net, const std::string& line, size_t& pos) {
  SwallowSpace(line, pos);
  const std::string source = GetName(line, pos);
  SwallowSpace(line, pos);
  SkipNumericWord(line, pos);
  SkipNumericWord(line, pos);
  const std::string target = GetName(line, pos);
  const size_t weightWord = NdrWeightWord(line);
  const bool movesTokens = !IsNoTokenArc(line, weightWord, pos);
  const int32_t weight = NdrWeight(line, weightWord);
  const std::string unknown = "*** unknown arc: " + source + " -> " + target + "\n";
  if (const int32_t place = FindNode(net, Kind::kPlace, source); place != 0) {
    const int32_t transition = FindNode(net, Kind::kTransition, target);
    if (transition == 0) Fail(kExitFile, unknown);
    if (movesTokens) AppendArc(net.apt, place, transition, weight);
  } else if (const int32_t transition = FindNode(net, Kind::kTransition, source); transition != 0) {
    const int32_t targetPlace = FindNode(net, Kind::kPlace, target);
    if (targetPlace == 0) Fail(kExitFile, unknown);
    if (movesTokens) AppendArc(net.atp, targetPlace, transition, weight);
  } else {
    Fail(kExitFile, unknown);
  }
}

}  // namespace

void ReadNDR(NetModel& net, const std::string& text) {
  ForEachNetLine(text, [&](const std::string& line, size_t pos) {
    switch (line[pos++]) {
      case 'h':
        SwallowSpace(line, pos);
        net.netname = GetName(line, pos);
        break;
      case 'p':
        ReadNdrNode(net, line, pos, Kind::kPlace);
        break;
      case 't':
        ReadNdrNode(net, line, pos, Kind::kTransition);
        break;
      case 'e':
        ReadNdrArc(net, line, pos);
        break;
      default:
        break;
    }
    return false;
  });
}

}  // namespace pelorin
