// Net input: the ".net" and ".ndr" readers, recognition of the three formats, and the writers of
// the work files and the echo. The contract of the conversion and both line grammars are in
// readnet.h; the model is in netmodel.h, the PNML reader in pnml.h.
//
// The whole input is read into memory first, so recognition and the reader see the same lines
// and a pipe on standard input works. The readers see the input as C strings would: a line ends
// at its line feed (kept), a zero byte ends its content, and a last line without a line feed is
// read as if it had one.
#include "net/readnet.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "matrix/failure.h"
#include "net/netmodel.h"
#include "net/pnml.h"

namespace pelorin {
namespace {

// Memory exhausted while the net is read or written out.
template <class F>
void WithNetMemory(const char* message, F&& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    Fail(kExitNetMemory, message);
  }
}

// ---- Input text and lines ----

// The whole input; a stream that fails while being read is no net file. A regular file's text is
// given its room at once, so that a large net is held only once while it is read.
std::string ReadInput(std::FILE* in) {
  std::string text;
  struct stat info {};
  if (fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    text.resize(static_cast<size_t>(info.st_size));
    text.resize(std::fread(text.data(), 1, text.size(), in));
  }
  std::vector<char> chunk(65536);
  size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) text.append(chunk.data(), got);
  if (std::ferror(in)) Fail(kExitFile, "*** wrong input file\n");
  return text;
}

// A regular file mapped into memory for reading, unmapped with the handle; PNML is parsed from it
// without a copy of the file (the file must not shrink meanwhile).
struct Unmap {
  size_t size = 0;
  void operator()(const char* data) const { munmap(const_cast<char*>(data), size); }
};
using Mapping = std::unique_ptr<const char, Unmap>;

// The mapped content of `in` when it is a non-empty regular file that can be mapped, else none.
Mapping MapRegularFile(std::FILE* in) {
  struct stat info {};
  if (fstat(fileno(in), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return Mapping(nullptr, Unmap{});
  const auto size = static_cast<size_t>(info.st_size);
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(in), 0);
  if (data == MAP_FAILED) return Mapping(nullptr, Unmap{});
  return Mapping(static_cast<const char*>(data), Unmap{size});
}

// The lines of the input text, one after another.
struct Lines {
  const std::string& text;
  size_t start = 0;
};

// The next line, line feed included (added to a last line without one) and cut at a zero byte.
bool NextLine(Lines& lines, std::string& line) {
  if (lines.start >= lines.text.size()) return false;
  size_t end = lines.text.find('\n', lines.start);
  end = end == std::string::npos ? lines.text.size() : end + 1;
  line.assign(lines.text, lines.start, end - lines.start);
  lines.start = end;
  if (line.back() != '\n') line += '\n';
  const size_t zero = line.find('\0');
  if (zero != std::string::npos) line.resize(zero);
  return true;
}

// A comment ("#" in column 1) or a line of blanks only.
bool IsSkipped(const std::string& line) { return (!line.empty() && line[0] == '#') || isempty(line); }

// ---- Words (names: GetName of matrix/uti.h) ----

// Advances past the rest of a word: up to the next blank or the end of the line.
void SkipWord(const std::string& line, size_t& pos) {
  while (!IsSpace(line, pos)) ++pos;
}

// ---- Recognition ----

// Calls `read(line, pos)` for every line of `text` that is neither a comment nor blank, `pos`
// after the line's leading blanks; stops early when `read` returns true.
template <class F>
void ForEachNetLine(const std::string& text, F&& read) {
  Lines lines{text};
  std::string line;
  while (NextLine(lines, line)) {
    if (IsSkipped(line)) continue;
    size_t pos = 0;
    SwallowSpace(line, pos);
    if (read(line, pos)) return;
  }
}

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

// ---- ".net" reader ----

bool IsArrow(const std::string& line, size_t pos) { return line.compare(pos, 2, "->") == 0; }

// weight -> "*" [sign] digits, the rest of the word skipped; no digits give 0
int32_t ReadWeight(const std::string& line, size_t& pos) {
  ++pos;
  int32_t weight = 0;
  if (!IsSpace(line, pos)) ParseInt(line, pos, weight);
  SkipWord(line, pos);
  return weight;
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

// item -> name [ "*" weight ]
void ReadItem(NetModel& net, const std::string& line, size_t& pos, const ItemList& list) {
  const std::string name = GetName(line, pos);
  const int32_t other = FindOrAddNode(net, Other(list.declared), name);
  const bool declaredPlace = list.declared == Kind::kPlace;
  ArcTable& arcs = TableOf(net, list);
  const size_t arc = FindOrAddArc(arcs, declaredPlace ? list.node : other, declaredPlace ? other : list.node);
  if (pos < line.size() && line[pos] == '*') arcs.weight[arc] = ReadWeight(line, pos);
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

// "tr" name [ interval ] lists
// "pl" name [ marking ] lists
void ReadNodeLine(NetModel& net, const std::string& line, size_t& pos, Kind kind) {
  SwallowSpace(line, pos);
  const std::string name = GetName(line, pos);
  if (name == "->") {
    Fail(kExitFile, std::string(kind == Kind::kPlace ? "*** empty place name: " : "*** empty transition name: ") +
                        line + "\n");
  }
  const int32_t node = DeclareNode(net, kind, name);
  SwallowSpace(line, pos);
  if (pos < line.size()) {
    const char c = line[pos];
    if (kind == Kind::kTransition ? c == '[' || c == ']' : c == '(') SkipWord(line, pos);
  }
  ReadArcLists(net, line, pos, kind, node);
}

// Reads a ".net" net.
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
    } else if (word != "lb") {
      Fail(kExitFile, "*** unknown command: " + word + "\n");
    }
    return false;
  });
}

// ---- ".ndr" reader ----

// node -> letter word word name ...; names are unique across places and transitions
void ReadNdrNode(NetModel& net, const std::string& line, size_t& pos, Kind kind) {
  for (int skipped = 0; skipped < 2; ++skipped) {
    SwallowSpace(line, pos);
    SkipWord(line, pos);
  }
  SwallowSpace(line, pos);
  const std::string name = GetName(line, pos);
  if (FindNode(net, Kind::kPlace, name) != 0 || FindNode(net, Kind::kTransition, name) != 0)
    Fail(kExitFile, "*** duplicate name: " + name + "\n");
  AddNode(net, kind, name);
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

// Reads a ".ndr" net.
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

// ---- Writers ----

// The incidence matrix: inputs of transitions with negated weights, then outputs.
void WriteSPM(const NetModel& net, std::FILE* out) {
  for (size_t k = 0; k < net.apt.size(); ++k)
    WriteElement(out, net.apt.place[k], net.apt.transition[k], CheckedMul(net.apt.weight[k], -1));
  for (size_t k = 0; k < net.atp.size(); ++k)
    WriteElement(out, net.atp.place[k], net.atp.transition[k], net.atp.weight[k]);
}

// A name table: "%d %s\n" for entries 1 .. size - 1.
void WriteNames(const std::vector<std::string>& names, std::FILE* out) {
  for (size_t i = 1; i < names.size(); ++i) WriteText(out, std::to_string(i) + " " + names[i] + "\n");
}

void WriteNMP(const NetModel& net, std::FILE* out) { WriteNames(net.pn, out); }

void WriteNMT(const NetModel& net, std::FILE* out) { WriteNames(net.tn, out); }

const std::string& NetName(const NetModel& net) {
  static const std::string kNoName = "noname";
  return net.netname ? *net.netname : kNoName;
}

// Arc indices of `arcs` grouped by transition, each group in table order.
std::vector<std::vector<size_t>> ArcsByTransition(const ArcTable& arcs, int32_t n) {
  std::vector<std::vector<size_t>> groups(static_cast<size_t>(n) + 1);
  for (size_t k = 0; k < arcs.size(); ++k) groups[static_cast<size_t>(arcs.transition[k])].push_back(k);
  return groups;
}

// " place" or " place*weight" for each arc of the group; weights up to 1 are not written
void AppendItems(std::string& text, const NetModel& net, const ArcTable& arcs, const std::vector<size_t>& group) {
  for (size_t k : group) {
    text += ' ';
    text += net.pn[static_cast<size_t>(arcs.place[k])];
    if (arcs.weight[k] > 1) {
      text += '*';
      text += std::to_string(arcs.weight[k]);
    }
  }
}

// The echo: "net NAME", one "tr" line per transition with all its arcs, an empty line.
void WriteNet(const NetModel& net, std::FILE* out) {
  WriteText(out, "net " + NetName(net) + "\n");
  const auto inputs = ArcsByTransition(net.apt, net.n());
  const auto outputs = ArcsByTransition(net.atp, net.n());
  std::string text;
  for (size_t j = 1; j < net.tn.size(); ++j) {
    text = "tr " + net.tn[j];
    AppendItems(text, net, net.apt, inputs[j]);
    text += " ->";
    AppendItems(text, net, net.atp, outputs[j]);
    text += "\n";
    WriteText(out, text);
  }
  WriteText(out, "\n");
}

void WriteSummary(const NetModel& net, std::FILE* out) {
  WriteText(out, "parsed net " + NetName(net) + "\n\n");
  WriteText(out, std::to_string(net.m()) + " places, " + std::to_string(net.n()) + " transitions\n\n");
}

// Writes one name table, created anew.
void WriteTable(const std::string& name, const NetModel& net, void (*write)(const NetModel&, std::FILE*)) {
  File out = OpenFile(name, "w");
  WithNetMemory("*** not enough memory\n", [&] { write(net, out.get()); });
  CloseFile(out, name);
}

// The empty model with its first room made.
void AllocateModel(NetModel& net) {
  WithNetMemory("*** not enough memory for net\n", [&] {
    net.pn.reserve(1024);
    net.tn.reserve(1024);
    net.pn.emplace_back();
    net.tn.emplace_back();
    for (ArcTable* arcs : {&net.apt, &net.atp}) {
      arcs->place.reserve(2048);
      arcs->transition.reserve(2048);
      arcs->weight.reserve(2048);
    }
  });
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

NetSummary ReadNDRNET(const std::string& input, const std::string& base, const std::string& output, int detail) {
  const std::string spmName = base + ".spm";
  File in = input == "-" ? File(stdin) : OpenFile(input, "r");
  File spm = OpenFile(spmName, "w");
  NetModel net;
  AllocateModel(net);
  NetSummary summary;
  NetFormat& format = summary.format;
  WithNetMemory("*** not enough memory\n", [&] {
    Mapping map = MapRegularFile(in.get());
    const std::string_view mapped(map.get(), map.get_deleter().size);
    if (map && IsPnml(mapped)) {  // PNML straight from the file's pages
      format = NetFormat::kPnml;
      ReadPNML(net, mapped, [&] { map.reset(); });
      return;
    }
    map.reset();
    std::string text = ReadInput(in.get());
    format = RecognizeNetFormat(text);
    if (format == NetFormat::kPnml) {
      ReadPNML(net, text, [&] { std::string().swap(text); });
    } else if (format == NetFormat::kNdr) {
      ReadNDR(net, text);
    } else {
      ReadNET(net, text);
    }
  });
  in.reset();
  WriteSPM(net, spm.get());
  CloseFile(spm, spmName);
  WriteTable(base + ".nmp", net, WriteNMP);
  WriteTable(base + ".nmt", net, WriteNMT);
  File out = OpenOutput(output, "a");
  WithNetMemory("*** not enough memory\n", [&] {
    WriteSummary(net, out.get());
    if (detail != 0) WriteNet(net, out.get());
    summary.name = NetName(net);
  });
  CloseFile(out, output);
  summary.places = net.m();
  summary.transitions = net.n();
  return summary;
}

}  // namespace pelorin
