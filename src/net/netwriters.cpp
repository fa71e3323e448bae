// The writers of the work files, the summary and the echo (netwriters.h).
#include "net/netwriters.h"

#include <cstdint>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin {
namespace {

// A name table: "%d %s\n" for entries 1 .. size - 1.
void WriteNames(const std::vector<std::string>& names, std::FILE* out) {
  for (size_t i = 1; i < names.size(); ++i) WriteText(out, std::to_string(i) + " " + names[i] + "\n");
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

}  // namespace

std::vector<Element> WriteSPM(const NetModel& net, std::FILE* out) {
  std::vector<Element> lines;
  lines.reserve(net.apt.size() + net.atp.size());
  auto put = [&](int32_t place, int32_t transition, int32_t value) {
    lines.push_back({place, transition, value});
    WriteElement(out, place, transition, value);
  };
  for (size_t k = 0; k < net.apt.size(); ++k) put(net.apt.place[k], net.apt.transition[k], CheckedMul(net.apt.weight[k], -1));
  for (size_t k = 0; k < net.atp.size(); ++k) put(net.atp.place[k], net.atp.transition[k], net.atp.weight[k]);
  return lines;
}

void WriteNMP(const NetModel& net, std::FILE* out) { WriteNames(net.pn, out); }

void WriteNMT(const NetModel& net, std::FILE* out) { WriteNames(net.tn, out); }

const std::string& NetName(const NetModel& net) {
  static const std::string kNoName = "noname";
  return net.netname ? *net.netname : kNoName;
}

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

}  // namespace pelorin
