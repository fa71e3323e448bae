// The writers of the net conversion: the incidence matrix (W.spm), the name tables (W.nmp,
// W.nmt), the summary and the echo of the net in ".net" syntax, each from the net model
// (netmodel.h) to an open file. Their line formats are in readnet.h. Example: the net
// "tr t1 p1 -> p2" gives W.spm "1 1 -1" "2 1 1", W.nmp "1 p1" "2 p2", W.nmt "1 t1" and the echo
// "net noname" "tr t1 p1 -> p2" "".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "matrix/spm.h"
#include "net/netmodel.h"

namespace pelorin {

// The incidence matrix: inputs of transitions with negated weights, then outputs; returns its
// lines as written (a weight whose negation leaves 32 bits ends the writing with the overflow).
std::vector<Element> WriteSPM(const NetModel& net, std::FILE* out);

// The place names, "%d %s\n" for places 1 .. m.
void WriteNMP(const NetModel& net, std::FILE* out);

// The transition names, "%d %s\n" for transitions 1 .. n.
void WriteNMT(const NetModel& net, std::FILE* out);

// The net's name, "noname" when it has none.
const std::string& NetName(const NetModel& net);

// The summary: "parsed net NAME", an empty line, "M places, N transitions", an empty line.
void WriteSummary(const NetModel& net, std::FILE* out);

// The echo: "net NAME", one "tr" line per transition with all its arcs, an empty line.
void WriteNet(const NetModel& net, std::FILE* out);

}  // namespace pelorin
