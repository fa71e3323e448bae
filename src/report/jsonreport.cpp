// The JSON report (contract in jsonreport.h).
#include "report/jsonreport.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "matrix/spm.h"
#include "matrix/textfile.h"
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

// Writes the semiflows, one per line, when `out` is given; returns their number.
long WriteSemiflows(std::FILE* in, const std::string& fileName, const NameTable& t, const ClassTable& classes,
                    std::FILE* out) {
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
    WriteText(out, MemberText(t, classes, m));
  });
  if (out != nullptr && count > 0) WriteText(out, "]}\n");
  return count;
}

}  // namespace

void WriteJsonReport(const JsonRun& run, const std::string& table, const std::string& solutions,
                     const std::string& output) {
  File tableFile = OpenFile(table, "r");
  File solutionFile = OpenFile(solutions, "r");
  File out = OpenOutput(output, "w");
  NameTable t;
  ReadTable(tableFile.get(), t);
  tableFile.reset();
  std::string head = "{\n";
  head += Field("program", "Pelorin");
  head += Field("version", "1.0.1alpha");
  head += Field("input", run.input);
  head += Field("format", run.format);
  head += Field("net", run.net);
  head += Field("places", run.places);
  head += Field("transitions", run.transitions);
  head += Field("kind", run.transitionKind ? "T" : "P");
  head += Field("isolated", NamesOf(t, run.isolated));
  head += Field("mode", run.mode);
  head += Field("minimal", run.minimal);
  if (run.classes) head += Field("classes", true);
  if (run.flows) {
    head += Field("flows", true);
  } else {
    head += Field("covered", run.covered);
    head += Field("check", run.check);
  }
  WriteText(out.get(), head);
  ClassTable classes;
  if (run.classes) {
    classes = ReadClassTable(solutionFile.get(), solutions);
    std::rewind(solutionFile.get());
  }
  long count = 0;
  if (run.listed) {
    WriteText(out.get(), "  \"semiflows\": [\n");
    count = WriteSemiflows(solutionFile.get(), solutions, t, classes, out.get());
    WriteText(out.get(), "  ],\n");
  } else {
    count = WriteSemiflows(solutionFile.get(), solutions, t, classes, nullptr);
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", run.seconds);
  const std::string counted =
      run.classes ? Field("lines", count) + "  \"count\": " + run.total + ",\n" : Field("count", count);
  WriteText(out.get(), counted + "  \"time\": " + seconds + "\n}\n");
  CloseFile(out, output);
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
