// The JSON report (contract in jsonreport.h).
#include "report/jsonreport.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <new>
#include <optional>
#include "matrix/failure.h"

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
// `bounds` when asked. Returns their number. `closing` keeps what closes the list as written.
long WriteSemiflows(std::FILE* in, const std::string& fileName, const NameTable& t, const ClassTable& classes,
                    std::FILE* out, const JsonRun& run, std::optional<PlaceBounds>& bounds, std::string& closing) {
  long count = 0;
  const bool constants = run.marking != nullptr && !run.classes;
  ForEachVector(in, fileName, true, [&](const VectorMembers& members) {
    ++count;
    std::optional<mpz_class> constant;
    if (constants && (out != nullptr || bounds)) constant = InvariantConstant(members, *run.marking);
    if (bounds && constant) bounds->Take(members, *constant);
    if (out == nullptr) return;
    WriteText(out, std::string(count > 1 ? ",\n" : "") + SemiflowText(t, classes, members, constant));
    closing = "\n  ],\n";
  });
  if (out != nullptr && count > 0) {
    WriteText(out, "\n");
    closing = "  ],\n";
  }
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
  return text + (bounds.Places() > 0 ? "\n" : "") + "    ],\n    \"without_bound\": " +
         std::to_string(bounds.WithoutBound()) + "\n  },\n";
}

// The fields before the semiflows.
std::string DocumentHead(const JsonRun& run, const NameTable& names) {
  std::string head = "{\n";
  head += Field("program", "Pelorin");
  head += Field("version", PELORIN_VERSION);
  head += Field("input", run.input);
  head += Field("format", run.format);
  head += Field("net", run.net);
  head += Field("places", run.places);
  head += Field("transitions", run.transitions);
  head += Field("kind", run.transitionKind ? "T" : "P");
  head += Field("isolated", NamesOf(names, run.isolated));
  head += Field("mode", run.mode);
  head += Field("minimal", run.minimal);
  if (run.classes) head += Field("classes", true);
  if (run.flows) {
    head += Field("flows", true);
  } else {
    head += Field("covered", run.covered);
    head += Field("check", run.check);
  }
  return head;
}

// The fields after the semiflows: the count ("lines" first with classes), the bounds, the time.
std::string DocumentTail(const JsonRun& run, long count, const NameTable& names,
                         const std::optional<PlaceBounds>& bounds) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", run.seconds);
  const std::string counted =
      run.classes ? Field("lines", count) + "  \"count\": " + run.total + ",\n" : Field("count", count);
  return counted + (bounds ? BoundsField(names, *bounds) : "") + "  \"time\": " + seconds + "\n}\n";
}

// {"code": N, "message": "..."}, the message without its final line feed.
nlohmann::json ErrorValue(int code, const std::string& message) {
  std::string text = message;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return {{"code", code}, {"message", text}};
}

// A document that a failure interrupts ends with the field "error", after `closing` closes the
// list that stands open; before its first byte the error document stands alone. Either way the
// output holds one JSON document.
void FinishWithError(std::FILE* out, const std::optional<std::string>& closing, const Failure& failure) {
  const nlohmann::json error = ErrorValue(failure.code, failure.message);
  if (!closing) WriteText(out, Json({{"error", error}}) + "\n");
  else WriteText(out, *closing + "  \"error\": " + Json(error) + "\n}\n");
}

}  // namespace

void WriteJsonReport(const JsonRun& run, Listing& listing, const std::string& solutions, const std::string& output) {
  std::FILE* out = listing.out.get();
  std::optional<std::string> closing;  // once the document has begun: what closes its open list
  try {
    WriteText(out, DocumentHead(run, listing.names));
    closing.emplace();
    ClassTable classes;
    if (run.classes) {
      classes = ReadClassTable(listing.solutions.get(), solutions);
      std::rewind(listing.solutions.get());
    }
    std::optional<PlaceBounds> bounds;
    if (run.bounds && run.marking != nullptr) bounds.emplace(run.marking->size());
    if (run.listed) {
      WriteText(out, "  \"semiflows\": [\n");
      closing = "  ],\n";
    }
    const long count = WriteSemiflows(listing.solutions.get(), solutions, listing.names, classes,
                                      run.listed ? out : nullptr, run, bounds, *closing);
    if (run.listed) WriteText(out, "  ],\n");
    closing->clear();
    if (bounds) bounds->TakeUnits(run.unchanged, *run.marking);
    WriteText(out, DocumentTail(run, count, listing.names, bounds));
  } catch (const Failure& failure) {
    FinishWithError(out, closing, failure);
    throw;
  } catch (const std::bad_alloc&) {
    const Failure failure(kExitMemory, "*** not enough memory\n");
    FinishWithError(out, closing, failure);
    throw failure;
  }
  CloseFile(listing.out, output);
}

void WriteJsonReport(const JsonRun& run, const std::string& table, const std::string& solutions,
                     const std::string& output) {
  Listing listing = OpenListing(table, solutions, output, "w");
  WriteJsonReport(run, listing, solutions, output);
}

void WriteJsonError(const std::string& output, int code, const std::string& message) {
  File out = OpenOutput(output, "w");
  FinishWithError(out.get(), std::nullopt, Failure(code, message));
  CloseFile(out, output);
}

}  // namespace pelorin
