// PNML input: place/transition nets in the XML interchange format (net type "ptnet", or the core
// model "pnmlcoremodel"), read into the net model, so that the work files, the summary and the
// echo are those of the same net written in ".net" (readnet.h).
//
// The document is one "pnml" element holding one "net". Elements are known by their local
// names (a namespace prefix is dropped); anything else (graphics, tool specific data outside
// arcs, ...) is passed over. Inside the net, "page" elements nest and are flattened:
//   <net id="N" type=".../ptnet">  <name><text>NAME</text></name>  <page id="..."> ... </page>
//   <place id="P"> <name><text>NAME</text></name> <initialMarking><text>3</text></initialMarking>
//   <transition id="T"> <name><text>NAME</text></name>
//   <referencePlace id="R" ref="P"/>  <referenceTransition id="R" ref="T"/>
//   <arc id="A" source="P" target="T"> <inscription><text>2</text></inscription>
// A reference stands for the node it refers to, through chains of references; an arc end may be
// a reference. An arc joins a place and a transition; its weight is its inscription (1 without
// one); several arcs of one direction between one place and one transition add their weights
// into one arc. Transitions are numbered in document order, and the arcs grouped by transition
// in that order (each group in the order of its first arcs); places are numbered in the order
// the echo names them (the inputs, then the outputs of each transition), then the places without
// arcs in document order. So the echo, read back as ".net", gives the same work files. Example:
// transitions u, t and arcs t->c, a->t, u->b, c->u give u = 1, t = 2 and c = 1, b = 2, a = 3.
// Markings are checked and kept as the places' initial marking (netmodel.h). Inhibitor and read (test) arcs move no token and are left out of the matrix: an arc
// "type" attribute or a "type" child (value attribute or text) of inhibitor, read or test, or a
// tool specific element of the arc holding such a word as element name, attribute value or
// text. A "type" of normal (regular, ordinary, standard, timed, transport) is an ordinary arc.
//
// Names. When every place and every transition has a name/text without a control character and
// all of them differ (places and transitions together), the nodes are called by these names;
// otherwise by their ids. The net is called by its name/text (without control characters), else
// its id, else it has none ("noname"). Every name is stored as written in ".net": braced, with
// "\" before "\" and "}", when it is empty, holds a blank or "*", or begins with "{", "[", "]",
// "(" or "->"; otherwise plain. Example: "a b" becomes "{a b}", "p1" stays "p1".
//
// Failures, exit code 2 unless said otherwise, every message ending in "\n":
//   "*** PNML: malformed XML at line L: MESSAGE"          the parser's message
//   "*** PNML: the document is no PNML (root element E)"
//   "*** PNML: no net in the document" / "... more than one net in the document"
//   "*** PNML: the net is coloured (symmetric or high-level); only place/transition nets are read"
//       for such a net type, or a declaration, place type, hlinitialMarking or hlinscription
//   "*** PNML: unknown net type T; only place/transition nets (ptnet) are read"
//   "*** PNML: KIND without id", "*** PNML: control character in id I",
//   "*** PNML: duplicate id I" (two places, transitions or references; arc ids may repeat)
//   "*** PNML: reference R has no ref", "... reference R refers to the unknown node I",
//   "... reference R is part of a cycle of references",
//   "... reference place R does not stand for a place" (and for transitions)
//   "*** PNML: arc A has no source" (target), "... arc A refers to the unknown node I",
//   "... arc A joins two places" (transitions), "... arc A has the unknown type T"
//   "*** PNML: arc A is a reset arc; reset arcs have no linear effect and are not read"
//   "*** PNML: the initial marking of place P is not a non-negative integer: TEXT"
//   "*** PNML: the inscription of arc A is not a non-negative integer: TEXT"
//   "*** integer overflow" (exit 5): a marking, weight or sum of weights outside 32 bits
//   "*** not enough memory" (exit 3)
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "net/netmodel.h"

namespace pelorin {

// True when the first byte of `text` that is not a blank (space, tab, carriage return, line feed)
// nor part of a UTF-8 byte-order mark is "<".
bool IsPnml(std::string_view text);

// Reads the PNML net of `text` into the empty model `net`. `parsed` (when given) is called once
// the document has been parsed: the caller may then free the text before the model is built.
void ReadPNML(NetModel& net, std::string_view text, const std::function<void()>& parsed = {});

// `name` as written in ".net": plain, or braced when it has to be.
std::string NetSyntaxName(const std::string& name);

}  // namespace pelorin
