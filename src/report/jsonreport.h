// The JSON report ("--json"): one document in place of the text report.
//
// WriteJsonReport(run, table, solutions, output) writes to `output` ("-" is standard output, any
// other file is written anew) one JSON object with the fields, in this order:
//   "program" "Pelorin", "version", "input" (the input as named, "-" for standard input),
//   "format" ("net", "ndr", "pnml"), "net" (the name the summary prints), "places", "transitions",
//   "kind" ("P" or "T"), "isolated" (the names of the places, for T the transitions, without arcs,
//   by number, in every mode: with "--minimal" each is a semiflow of its own), "mode" ("direct",
//   "simultaneous", "sequential"), "minimal",
//   for a run of integer flows "flows": true (their coefficients are signed) in place of
//   "covered" (true when every element lies in some semiflow) with "check" (the word of the text
//   report: "invariant", "not invariant", "consistent", "not consistent"), "semiflows" (left out
//   in digest detail), "count" (the number of semiflows), "bounds" (only when asked, see below)
//   and "time" (processor seconds).
// With "--classes" the solution file holds a class table (report/classlisting.h): "classes": true
// follows "minimal"; a member whose number is the first of a class has besides its own fields
// "class": [{"name": N, "number": i}, ...], every member of the class (itself first), standing
// for any one of them, and its semiflow no "constant"; "lines" (the number of semiflows listed)
// comes before "count", which is the exact number of minimal-support semiflows they stand for,
// written with all its digits.
// A semiflow is {"index": k, "support": [{"name": N, "number": i, "coefficient": c}, ...]}, the
// semiflows and their members in the order of the solution file (lines "semiflow element
// coefficient", see matrix/spm.h); names are those of the name table `table` as the text
// listing prints them ("#i" for an element the table does not name); a coefficient is written
// with all its digits, whatever its size. With the initial marking (P-semiflows) the object
// ends with "constant": y.m0 (bounds.h), a JSON integer with all its digits. Strings are
// escaped by the JSON library; a byte that is not part of valid UTF-8 becomes U+FFFD. One
// semiflow per line:
//   {
//     "program": "Pelorin",
//     ...
//     "semiflows": [
//       {"index": 1, "support": [{"name": "p1", "number": 1, "coefficient": 1}, ...], "constant": 1}
//     ],
//     "count": 1,
//     "time": 0.004
//   }
// "bounds" (with `bounds` and the marking; in digest detail too) holds every place by number with
// the bound the semiflows prove (bounds.h; the places of `unchanged` are bounded by their initial
// marking), null where none, and the number of places without one, "without_bound":
//   "bounds": {
//     "places": [
//       {"name": "p1", "number": 1, "bound": 1},
//       {"name": "p2", "number": 2, "bound": null}
//     ],
//     "without_bound": 1
//   },
//
// WriteJsonError(output, code, message) writes {"error": {"code": N, "message": "..."}} on one
// line, the message without its final line feed.
//
// Failures: "*** error open file %s\n" (exit code 2) for the table, the solutions or the output;
// a malformed solution line (exit code 4); growth of the name table as in the text listing;
// memory, "*** not enough memory\n" (exit code 1). A failure once the output is open still leaves
// one JSON document there: before the first byte, the error document above; after it, the
// document ends with the field "error" ({"code": N, "message": "..."}) after the fields written
// so far, the list that stood open closed. Then the failure goes on. A failure of the output
// itself leaves what could be written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelorin {

// The facts of a run that the document reports besides its semiflows.
struct JsonRun {
  std::string input;            // as named on the command line
  std::string format;           // "ndr", "net", ...
  std::string net;              // the net's name
  int32_t places = 0;
  int32_t transitions = 0;
  bool transitionKind = false;  // T-semiflows
  std::vector<int32_t> isolated;  // the places (transitions) without arcs, by number
  std::string mode;             // "direct", "simultaneous", "sequential"
  bool minimal = false;
  bool classes = false;         // "--classes": the solution file holds a class table
  std::string total;            // with classes: the minimal semiflows the lines stand for (decimal)
  bool flows = false;           // integer flows ("--flows"): no cover, no check word
  bool covered = false;
  std::string check;            // the check word of the text report
  bool listed = true;           // full detail: the semiflows are listed
  double seconds = 0;           // processor time
  // The initial marking, marking[i] for place i + 1 (P-semiflows only, else null): every
  // semiflow gets its constant.
  const std::vector<int32_t>* marking = nullptr;
  bool bounds = false;          // the field "bounds" (with the marking)
  std::vector<int32_t> unchanged;  // with bounds: the places whose marking no transition changes
};

void WriteJsonReport(const JsonRun& run, const std::string& table, const std::string& solutions,
                     const std::string& output);

// The same from a listing already open (OpenListing with "w", report/writeinv.h): the document
// reads the files held open, so the run may move or remove them by name in between.
struct Listing;
void WriteJsonReport(const JsonRun& run, Listing& listing, const std::string& solutions, const std::string& output);

void WriteJsonError(const std::string& output, int code, const std::string& message);

}  // namespace pelorin
