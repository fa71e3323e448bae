// The JSON report (contract in jsonreport.h).
#include "report/jsonreport.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "report/bounds.h"
#include "report/classlisting.h"
#include "report/writeinv.h"

namespace pelorin {

namespace {

// A JSON value as text: strings escaped, invalid UTF-8 replaced by U+FFFD.
std::string Json(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Field(const char* key, const nlohmann::json& value) { return "  " + Json(key) + ": " + Json(value) + ",\n"; }

std::string NameOf(const NameTable& t, int32_t element) {
  const auto it = t.pn.find(element);
  return it != t.pn.end() ? it->second : "#" + std::to_string(element);
}

// One member of a support; the first member of a class (--classes) lists the whole class.
std::string MemberText(const NameTable& t, const ClassTable& classes, const WideElement& m) {
  std::string text = "{\"name\": " + Json(NameOf(t, m.col)) + ", \"number\": " + std::to_string(m.col) +
                     ", \"coefficient\": " + m.value;
  const auto it = classes.find(m.col);
  if (it != classes.end()) {
    text += ", \"class\": [";
    for (int32_t member : it->second)
      text += std::string(member == it->first ? "" : ", ") + "{\"name\": " + Json(NameOf(t, member)) +
              ", \"number\": " + std::to_string(member) + "}";
    text += "]";
  }
  return text + "}";
}

// The names of the elements, "#i" for one the table does not name.
nlohmann::json NamesOf(const NameTable& t, const std::vector<int32_t>& elements) {
  nlohmann::json names = nlohmann::json::array();
  for (int32_t i : elements) names.push_back(NameOf(t, i));
  return names;
}

std::string SemiflowText(const NameTable& t, const ClassTable& classes, const VectorMembers& members,
                         const std::optional<mpz_class>& constant) {
  std::string text = "    {\"index\": " + std::to_string(members.front().row) + ", \"support\": [";
  for (const WideElement& m : members) text += (&m == &members.front() ? "" : ", ") + MemberText(t, classes, m);
  text += "]";
  if (constant) text += ", \"constant\": " + constant->get_str();
  return text + "}";
}

// Writes the semiflows, one per line, when `out` is given, each with its constant when the run
// has the marking (a line standing for a class of semiflows has none); gives every semiflow to
// `bounds` when asked. Returns their number.
long WriteSemiflows(std::FILE* in, const std::string& fileName, const NameTable& t, const ClassTable& classes,
                    std::FILE* out, const JsonRun& run, std::optional<PlaceBounds>& bounds) {
  long count = 0;
  const bool constants = run.marking != nullptr && !run.classes;
  ForEachVector(in, fileName, true, [&](const VectorMembers& members) {
    ++count;
    std::optional<mpz_class> constant;
    if (constants && (out != nullptr || bounds)) constant = InvariantConstant(members, *run.marking);
    if (bounds && constant) bounds->Take(members, *constant);
    if (out != nullptr) WriteText(out, std::string(count > 1 ? ",\n" : "") + SemiflowText(t, classes, members, constant));
  });
  if (out != nullptr && count > 0) WriteText(out, "\n");
  return count;
}

// "bounds": every place by number with its bound (null for none), and the number without one.
std::string BoundsField(const NameTable& t, const PlaceBounds& bounds) {
  std::string text = "  \"bounds\": {\n    \"places\": [\n";
  for (size_t place = 1; place <= bounds.Places(); ++place) {
    const std::string name = NameOf(t, static_cast<int32_t>(place));
    const auto& bound = bounds.Of(place);
    text += std::string(place > 1 ? ",\n" : "") + "      {\"name\": " + Json(name) + ", \"number\": " +
            std::to_string(place) + ", \"bound\": " + (bound ? bound->get_str() : "null") + "}";
  }
  return text + (bounds.Places() > 0 ? "\n" : "") + "    ],\n    \"unbounded\": " +
         std::to_string(bounds.Unbounded()) + "\n  },\n";
}

}  // namespace

void WriteJsonReport(const JsonRun& run, const std::string& table, const std::string& solutions,
                     const std::string& output) {
  Listing listing = OpenListing(table, solutions, output, "w");
  std::FILE* out = listing.out.get();
  std::string head = "{\n";
  head += Field("program", "Pelorin");
  head += Field("version", PELORIN_VERSION);
  head += Field("input", run.input);
  head += Field("format", run.format);
  head += Field("net", run.net);
  head += Field("places", run.places);
  head += Field("transitions", run.transitions);
  head += Field("kind", run.transitionKind ? "T" : "P");
  head += Field("isolated", NamesOf(listing.names, run.isolated));
  head += Field("mode", run.mode);
  head += Field("minimal", run.minimal);
  if (run.classes) head += Field("classes", true);
  if (run.flows) {
    head += Field("flows", true);
  } else {
    head += Field("covered", run.covered);
    head += Field("check", run.check);
  }
  WriteText(out, head);
  ClassTable classes;
  if (run.classes) {
    classes = ReadClassTable(listing.solutions.get(), solutions);
    std::rewind(listing.solutions.get());
  }
  std::optional<PlaceBounds> bounds;
  if (run.bounds && run.marking != nullptr) bounds.emplace(run.marking->size());
  if (run.listed) WriteText(out, "  \"semiflows\": [\n");
  const long count = WriteSemiflows(listing.solutions.get(), solutions, listing.names, classes,
                                    run.listed ? out : nullptr, run, bounds);
  if (run.listed) WriteText(out, "  ],\n");
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", run.seconds);
  const std::string counted =
      run.classes ? Field("lines", count) + "  \"count\": " + run.total + ",\n" : Field("count", count);
  WriteText(out, counted + (bounds ? BoundsField(listing.names, *bounds) : "") + "  \"time\": " + seconds + "\n}\n");
  CloseFile(listing.out, output);
}

void WriteJsonError(const std::string& output, int code, const std::string& message) {
  std::string text = message;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  const nlohmann::json error = {{"error", {{"code", code}, {"message", text}}}};
  File out = OpenOutput(output, "w");
  WriteText(out.get(), Json(error) + "\n");
  CloseFile(out, output);
}

}  // namespace pelorin
