// The ".ndr" reader (ndrreader.h; the grammar is in readnet.h).
#include "net/ndrreader.h"

#include <cstdint>
#include <optional>

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/uti.h"
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

// The number at the start of the second-to-last word of the line, 0 when there is none. The
// backward walk stops at the blank before that word or at the line's first character; the
// number must begin right after that point, so a walk that reaches the line's start over blanks
// ("e 5") finds a blank there and gives 0.
int32_t NdrWeight(const std::string& line) {
  size_t i = line.size() - 1;
  while (i > 0 && IsBlank(line[i])) --i;
  while (i > 0 && !IsBlank(line[i])) --i;
  while (i > 0 && IsBlank(line[i])) --i;
  while (i > 0 && !IsBlank(line[i])) --i;
  if (i + 1 >= line.size() || IsBlank(line[i + 1])) return 0;
  return LeadingInt(line, i + 1);
}

// Skips a word that begins with a decimal digit, and the blanks after it.
void SkipNumericWord(const std::string& line, size_t& pos) {
  if (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') SkipWord(line, pos);
  SwallowSpace(line, pos);
}

// arc -> "e" source [ digit-word [ digit-word ] ] target ... weight word
void ReadNdrArc(NetModel& net, const std::string& line, size_t& pos) {
  SwallowSpace(line, pos);
  const std::string source = GetName(line, pos);
  SwallowSpace(line, pos);
  SkipNumericWord(line, pos);
  SkipNumericWord(line, pos);
  const std::string target = GetName(line, pos);
  const int32_t weight = NdrWeight(line);
  const std::string unknown = "*** unknown arc: " + source + " -> " + target + "\n";
  if (const int32_t place = FindNode(net, Kind::kPlace, source); place != 0) {
    const int32_t transition = FindNode(net, Kind::kTransition, target);
    if (transition == 0) Fail(kExitFile, unknown);
    AppendArc(net.apt, place, transition, weight);
  } else if (const int32_t transition = FindNode(net, Kind::kTransition, source); transition != 0) {
    const int32_t targetPlace = FindNode(net, Kind::kPlace, target);
    if (targetPlace == 0) Fail(kExitFile, unknown);
    AppendArc(net.atp, targetPlace, transition, weight);
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
