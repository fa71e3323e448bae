// The net model: one Petri net between its reading (the ".net", ".ndr" and PNML readers) and the
// writing of the work files and the echo (readnet.cpp). It lives within one net conversion.
//
// Places and transitions are numbered from 1 in the order they are made; the number is the row
// (place) or column (transition) of the incidence matrix and the line of the name table. Names
// are stored as they are written in the ".net" syntax: a braced name keeps its braces and
// backslashes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelorin {

// Arcs of one direction, three parallel arrays indexed from 0 in the order the arcs were made.
struct ArcTable {
  std::vector<int32_t> place;       // place number, 1 .. m
  std::vector<int32_t> transition;  // transition number, 1 .. n
  std::vector<int32_t> weight;      // any 32-bit value, 0 and negative included
  // (place, transition) -> index of its arc; kept by the ".net" reader, which never makes an arc
  // twice. The ".ndr" reader makes a new arc for every arc line and the PNML reader merges its
  // arcs by sorting; both leave it empty.
  std::unordered_map<uint64_t, size_t> index;
  size_t size() const { return place.size(); }
};

// The net model: one net between its reading and the writing of the work files.
struct NetModel {
  std::optional<std::string> netname;  // the net's name; none ("noname") until the reader sets it
  std::vector<std::string> pn;         // pn[i]: name of place i, i = 1 .. m; pn[0] unused
  std::vector<std::string> tn;         // tn[j]: name of transition j, j = 1 .. n; tn[0] unused
  // name -> the first place (transition) with that name, kept by AddNode for the ".net" and
  // ".ndr" readers, which look names up (the PNML reader fills pn and tn directly and leaves
  // these empty); the ".net" reader never declares a name twice within one kind, the ".ndr"
  // reader rejects it.
  std::unordered_map<std::string, int32_t> placeNumber;
  std::unordered_map<std::string, int32_t> transitionNumber;
  ArcTable apt;  // arcs from places to transitions: the inputs of transitions
  // marking[i]: the initial marking of place i, i = 1 .. at most m; marking[0] unused. It may be
  // shorter than pn: a place beyond its end, like a place given no marking, holds 0 tokens.
  std::vector<int32_t> marking;
  ArcTable atp;  // arcs from transitions to places: the outputs of transitions
  int32_t m() const { return static_cast<int32_t>(pn.size() - 1); }
  int32_t n() const { return static_cast<int32_t>(tn.size() - 1); }
};

enum class Kind { kPlace, kTransition };

inline Kind Other(Kind kind) { return kind == Kind::kPlace ? Kind::kTransition : Kind::kPlace; }

// Number of the first node of `kind` named `name`, or 0.
int32_t FindNode(const NetModel& net, Kind kind, const std::string& name);

// Appends a node of `kind`; returns its number.
int32_t AddNode(NetModel& net, Kind kind, const std::string& name);

// The node of `kind` named `name`, made when there is none yet.
int32_t FindOrAddNode(NetModel& net, Kind kind, const std::string& name);

// Sets the initial marking of place `place`.
void SetMarking(NetModel& net, int32_t place, int32_t tokens);

// The initial marking of places 1 .. m: entry i - 1 for place i, 0 where none was given.
std::vector<int32_t> InitialMarking(const NetModel& net);

// Appends an arc to `arcs` (no look-up).
void AppendArc(ArcTable& arcs, int32_t place, int32_t transition, int32_t weight);

// The index of the arc (place, transition) of `arcs`, appended with the weight 1 when it is not
// there yet.
size_t FindOrAddArc(ArcTable& arcs, int32_t place, int32_t transition);

}  // namespace pelorin
