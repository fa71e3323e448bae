// The JSON report (contract in jsonreport.h).
#include "report/jsonreport.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "report/bounds.h"
#include "report/writeinv.h"

namespace pelorin {

namespace {

// A JSON value as text: strings escaped, invalid UTF-8 replaced by U+FFFD.
std::string Json(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Field(const char* key, const nlohmann::json& value) { return "  " + Json(key) + ": " + Json(value) + ",\n"; }

std::string MemberText(const NameTable& t, const WideElement& m) {
  const auto it = t.pn.find(m.col);
  const std::string name = it != t.pn.end() ? it->second : "#" + std::to_string(m.col);
  return "{\"name\": " + Json(name) + ", \"number\": " + std::to_string(m.col) +
         ", \"coefficient\": " + m.value + "}";
}

std::string SemiflowText(const NameTable& t, const VectorMembers& members, const std::optional<mpz_class>& constant) {
  std::string text = "    {\"index\": " + std::to_string(members.front().row) + ", \"support\": [";
  for (const WideElement& m : members) text += (&m == &members.front() ? "" : ", ") + MemberText(t, m);
  text += "]";
  if (constant) text += ", \"constant\": " + constant->get_str();
  return text + "}";
}

// Writes the semiflows, one per line, when `out` is given, each with its constant when the run
// has the marking; gives every semiflow to `bounds` when asked. Returns their number.
long WriteSemiflows(std::FILE* in, const std::string& fileName, const NameTable& t, std::FILE* out,
                    const JsonRun& run, std::optional<PlaceBounds>& bounds) {
  long count = 0;
  ForEachVector(in, fileName, true, [&](const VectorMembers& members) {
    ++count;
    std::optional<mpz_class> constant;
    if (run.marking != nullptr && (out != nullptr || bounds)) constant = InvariantConstant(members, *run.marking);
    if (bounds) bounds->Take(members, *constant);
    if (out != nullptr) WriteText(out, std::string(count > 1 ? ",\n" : "") + SemiflowText(t, members, constant));
  });
  if (out != nullptr && count > 0) WriteText(out, "\n");
  return count;
}

// "bounds": every place by number with its bound (null for none), and the number without one.
std::string BoundsField(const NameTable& t, const PlaceBounds& bounds) {
  std::string text = "  \"bounds\": {\n    \"places\": [\n";
  for (size_t place = 1; place <= bounds.Places(); ++place) {
    const auto it = t.pn.find(static_cast<int32_t>(place));
    const std::string name = it != t.pn.end() ? it->second : "#" + std::to_string(place);
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
  head += Field("version", "1.0.1alpha");
  head += Field("input", run.input);
  head += Field("format", run.format);
  head += Field("net", run.net);
  head += Field("places", run.places);
  head += Field("transitions", run.transitions);
  head += Field("kind", run.transitionKind ? "T" : "P");
  head += Field("mode", run.mode);
  head += Field("minimal", run.minimal);
  if (run.flows) {
    head += Field("flows", true);
  } else {
    head += Field("covered", run.covered);
    head += Field("check", run.check);
  }
  WriteText(out, head);
  std::optional<PlaceBounds> bounds;
  if (run.bounds && run.marking != nullptr) bounds.emplace(run.marking->size());
  if (run.listed) WriteText(out, "  \"semiflows\": [\n");
  const long count =
      WriteSemiflows(listing.solutions.get(), solutions, listing.names, run.listed ? out : nullptr, run, bounds);
  if (run.listed) WriteText(out, "  ],\n");
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", run.seconds);
  WriteText(out, Field("count", count) + (bounds ? BoundsField(listing.names, *bounds) : "") + "  \"time\": " +
                     seconds + "\n}\n");
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
