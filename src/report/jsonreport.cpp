// The JSON report (contract in jsonreport.h).
#include "report/jsonreport.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "matrix/spm.h"
#include "matrix/textfile.h"
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

// Writes the semiflows, one per line, when `out` is given; returns their number.
long WriteSemiflows(std::FILE* in, const std::string& fileName, const NameTable& t, std::FILE* out) {
  long count = 0;
  int32_t current = 0;
  ForEachWideElement(in, fileName, true, [&](const WideElement& m) {
    const bool next = count == 0 || m.row != current;
    if (next) {
      current = m.row;
      ++count;
    }
    if (out == nullptr) return;
    if (next) WriteText(out, std::string(count > 1 ? "]},\n" : "") + "    {\"index\": " + std::to_string(m.row) + ", \"support\": [");
    else WriteText(out, ", ");
    WriteText(out, MemberText(t, m));
  });
  if (out != nullptr && count > 0) WriteText(out, "]}\n");
  return count;
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
  long count = 0;
  if (run.listed) {
    WriteText(out, "  \"semiflows\": [\n");
    count = WriteSemiflows(listing.solutions.get(), solutions, listing.names, out);
    WriteText(out, "  ],\n");
  } else {
    count = WriteSemiflows(listing.solutions.get(), solutions, listing.names, nullptr);
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", run.seconds);
  WriteText(out, Field("count", count) + "  \"time\": " + seconds + "\n}\n");
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
