// The listing of semiflows in classes (contract in classlisting.h).
#include "report/classlisting.h"

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/lines.h"
#include "report/writeinv.h"

namespace pelorin {

namespace {

constexpr std::string_view kClassWord = "#class";

// The name of an element as the listing prints it.
std::string NameOf(const NameTable& t, int32_t element) {
  const auto it = t.pn.find(element);
  return it != t.pn.end() ? it->second : "#" + std::to_string(element);
}

// One member of a semiflow: its name or its class, "*coefficient" above 1, and a blank.
std::string MemberText(const NameTable& t, const ClassTable& classes, const WideElement& e) {
  std::string text;
  const auto it = classes.find(e.col);
  if (it == classes.end()) {
    text = NameOf(t, e.col);
  } else {
    for (int32_t member : it->second) text += (text.empty() ? "[" : "|") + NameOf(t, member);
    text += "]";
  }
  if (e.Positive() && e.value != "1") text += "*" + e.value;
  return text + " ";
}

}  // namespace

ClassTable ReadClassTable(std::FILE* file, const std::string& name) {
  ClassTable classes;
  ForEachDataLine(
      file, CommentRule::kHash, 1, [](std::string_view, long) {},
      [&](std::string_view line) {
        if (line.substr(0, kClassWord.size()) != kClassWord) return;
        const std::string rest(line.substr(kClassWord.size()));
        std::vector<int32_t> members;
        size_t pos = 0;
        for (SwallowSpace(rest, pos); pos < rest.size(); SwallowSpace(rest, pos)) {
          const size_t start = pos;
          while (pos < rest.size() && !IsSpace(rest, pos)) ++pos;
          members.push_back(LeadingInt(rest.substr(start, pos - start)));
        }
        if (members.empty()) Fail(kExitInput, "*** malformed class line in " + name + "\n");
        WithMemory("pn", [&] { classes[members.front()] = std::move(members); });
      });
  return classes;
}

void WriteClassListing(const std::string& table, const std::string& solutions, const std::string& output, bool full,
                       const mpz_class& count) {
  Listing listing = OpenListing(table, solutions, output, "a");
  std::FILE* in = listing.solutions.get();
  std::FILE* out = listing.out.get();
  const ClassTable classes = ReadClassTable(in, solutions);
  std::rewind(in);
  int32_t current = 0;
  if (full) {
    ForEachWideElement(in, solutions, true, [&](const WideElement& e) {
      std::string text = e.row != current ? "\n" : "";
      current = e.row;
      WriteText(out, text + MemberText(listing.names, classes, e));
    });
    if (current == 0) WriteText(out, "\nno semiflows");
  }
  WriteText(out, "\n" + count.get_str() + " minimal semiflow(s)\n\n");
  CloseFile(listing.out, output);
}

}  // namespace pelorin
