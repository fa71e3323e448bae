// Net input: the net conversion, and the grammars of its ".net" and ".ndr" readers. The readers
// are netreader.h (".net"), ndrreader.h (".ndr") and pnml.h (PNML); the recognition of the format
// is netformat.h, the input bytes netinput.h, the writers of the files and the echo netwriters.h.
//
// ConvertNet(input, base, output, detail) (historically ReadNDRNET) reads one Petri net from
// `input` ("-" is standard input, read whole), tells its format by content, returns its summary
// with the net's initial marking (NetSummary) and the lines of base.spm, and writes
//   base.spm  the incidence matrix, "%d %d %d\n" per arc: first every arc from a place to a
//             transition as "place transition -weight", then every arc from a transition to a
//             place as "place transition weight", each group in the order the arcs were made;
//   base.nmp  the place names, "%d %s\n" per place, places 1, 2, ...;
//   base.nmt  the transition names, "%d %s\n" per transition;
// and, when `output` is given, appends to `*output` ("-" is standard output) the net summary
//   "parsed net %s\n\n" "%d places, %d transitions\n\n"   (the name is "noname" when none given)
// and, when `detail` is not 0 (full output), the echo of the net in ".net" syntax:
//   "net %s\n", one "tr T P1*w P2 -> P3\n" line per transition (inputs, " ->", outputs, "*%d"
//   only for weights above 1; places without arcs are not echoed, nor labels, markings and the
//   arcs that move no token), then one empty line.
//
// Names. A name is braced or plain. A braced name begins with "{" and ends after the first "}"
// that no backslash escapes (a backslash escapes any one character); it is stored with its braces
// and backslashes and may hold blanks and "*". A plain name runs up to a blank (space, tab,
// carriage return, line feed), a "*" or the end of the line, and may be empty. A braced name
// without its closing brace ends at the end of the line.
//
// Recognition. When the first byte that is not a blank (space, tab, carriage return, line feed)
// nor part of a UTF-8 byte-order mark is "<", the input is PNML (pnml.h). Otherwise lines
// beginning with "#" and blank lines are passed over; when the first other line begins (after
// blanks) with "p ", "t " or "h ", the input is ".ndr", otherwise ".net" (also when there is no
// such line). A PNML net gives the same work files, summary and echo as the same net written
// in ".net".
//
// ".net" lines, decided by the first word ("#" in column 1 and blank lines are skipped):
//   net NAME                                          the net's name (a later one replaces it)
//   tr NAME [label] [interval] ITEM... [-> ITEM...]   transition; items before "->" are its input
//                                                     places, after it its output places
//   pl NAME [label] [marking] ITEM... [-> ITEM...]    place; items before "->" are its input
//                                                     transitions (arcs into the place), after it
//                                                     its output ones
//   lb ..., pr ..., nt ...                            ignored (labels, priorities, notes)
// An ITEM is a name optionally followed directly by "*" and a weight: an optional sign, digits
// and, right after them, an optional multiplier "K" (x1000) or "M" (x1000000); no digits give 0
// and the rest of the word is skipped. Without "*" a new arc weighs 1. An ITEM may instead be a
// name followed directly by "?", "?-", "!" or "!-" and a count (digits with an optional "K" or
// "M") ending the word: a test ("p?1"), inhibitor ("p?-1") or stopwatch ("p!1", "p!-1") arc,
// which moves no token and makes no arc; the node named is made when it is new. A suffix that
// does not have this form is part of the (plain) name, as is one after an empty name ("?1").
// A label is the word ":" right after the node's name, then a name (plain or braced, neither
// empty nor "->"); the label and the rest of its word are skipped. A ":" in any other place is
// an item. An interval is a word beginning with "[" or "]" right after the transition name (or
// its label); it is skipped. A marking is a word beginning with "(" right after the place name
// (or its label); when it is "(" count ")" the count is the place's initial marking, any other
// such word is skipped and gives the marking 0; the last marking given for a place wins.
// Places and transitions are numbered in order of first appearance; an arc named again keeps one
// entry and the last weight given wins. A weight or marking outside 32 bits ends the run with
// "*** integer overflow\n" (exit code 5).
// Example: "net demo" / "tr t1 p1 -> p2" / "tr t2 p2*2 -> p1*2" gives places p1, p2,
// transitions t1, t2, base.spm "1 1 -1" "2 2 -2" "2 1 1" "1 2 2", base.nmp "1 p1" "2 p2".
// "tr t : {go} [0,1] a*2K b?-1 -> c" / "pl a (6K)" gives base.spm "1 1 -2000" "3 1 1", places
// a, b, c with the initial marking 6000, 0, 0, and the echo "tr t a*2000 -> c".
//
// ".ndr" lines, decided by their first non-blank character alone:
//   p X Y NAME [MARKING] ...   place (the two words after the letter are skipped); the word
//                    after the name, when it is a count (digits with an optional "K" or "M"),
//                    is its initial marking, else it has none (0)
//   t X Y NAME ...   transition
//   e SRC [d [d]] DST ... WEIGHT WORD   arc; up to two words beginning with a digit after SRC
//                    are skipped; the weight is the number at the start of the second-to-last
//                    word (0 when it does not begin with one), times 1000 or 1000000 when "K"
//                    or "M" follows its digits and ends the word ("6K" is 6000); every line makes
//                    a new arc, except that a weight word after DST of the form "?" or "!", an
//                    optional "-" and a count (test "?1", inhibitor "?-1", stopwatch "!1", "!-1")
//                    makes none: such an arc moves no token (SRC and DST must exist all the same)
//   h NAME           the net's name
// Any other line is ignored. Example: "p 10 20 a 1 n" / "t 30 20 b 0 w" / "e a b 2 n" gives
// base.spm "1 1 -2"; "e a b 6K n" gives "1 1 -6000", "e a b ?-1 n" no line.
//
// Failures (message on standard output, exit code): "*** error open file %s\n" (2) for the
// input, base.spm, base.nmp, base.nmt or the output, opened in that order, base.spm before the
// net is read; "*** wrong input file\n" (2) when the input cannot be read;
// "*** unknown command: %s\n", "*** empty transition name: %s\n", "*** empty place name: %s\n"
// (the whole line), "*** duplicate name: %s\n", "*** unknown arc: %s -> %s\n" (2);
// "*** not enough memory for net\n" and "*** not enough memory\n" (3); "*** integer overflow\n"
// (5) for a weight or marking outside 32 bits. The PNML reader's own messages are listed in pnml.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "matrix/spm.h"
#include "net/netformat.h"

namespace pelorin {

// The suffixes of the three files a conversion writes after its base (run/workfiles.h lists them
// with every other work file).
inline constexpr const char* kIncidenceSuffix = ".spm";
inline constexpr const char* kPlaceNamesSuffix = ".nmp";
inline constexpr const char* kTransitionNamesSuffix = ".nmt";

// What a conversion read: the net's name as the summary prints it, its size, its format and its
// initial marking.
struct NetSummary {
  std::string name;
  int32_t places = 0;
  int32_t transitions = 0;
  NetFormat format = NetFormat::kNet;
  // marking[i]: the initial marking of place i + 1 (the place of line i + 1 of base.nmp), 0 where
  // none was given; one entry per place. Each entry is a non-negative 32-bit count.
  std::vector<int32_t> marking;
};

// What the run takes from the net: its summary and the lines of base.spm.
struct NetConversion {
  NetSummary summary;
  std::vector<Element> incidence;  // the lines of base.spm, in their order
};

// The conversion described above; a JSON run, which has no text report, gives no `output`.
NetConversion ConvertNet(const std::string& input, const std::string& base, const std::string* output, int detail);

}  // namespace pelorin
