// Invariant listing (contract in writeinv.h).
#include "report/writeinv.h"

#include <new>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/lines.h"
#include "matrix/failure.h"

namespace pelorin {

namespace {

constexpr size_t kPnFirst = 1024;  // numbers the table has room for before it first grows

// One table line "number name": the number is the line's first integer; the name begins after
// the word of the number, the character that ends it and further blanks.
void ReadTableLine(const std::string& str, NameTable& t) {
  const int32_t number = LeadingInt(str);
  size_t pos = 0;
  SwallowSpace(str, pos);
  while (!IsSpace(str, pos)) ++pos;
  if (pos < str.size()) ++pos;
  SwallowSpace(str, pos);
  std::string name = WithMemory("names", [&] { return GetName(str, pos); });
  WithMemory("pn", [&] { t.pn[number] = std::move(name); });
}

// One member of a semiflow: its name, "*coefficient" above 1 (decimal text), and a blank.
void WriteMember(std::FILE* out, const NameTable& t, int32_t element, const std::string& coefficient) {
  const auto it = t.pn.find(element);
  if (it != t.pn.end()) std::fputs(it->second.c_str(), out);
  else std::fprintf(out, "#%d", element);
  if (coefficient[0] != '-' && coefficient != "0" && coefficient != "1") std::fprintf(out, "*%s", coefficient.c_str());
  std::fputc(' ', out);
}

// Lists the solution lines in full output (or only reads them) and returns the number of the
// last solution read, 0 when there was none.
int32_t ListSolutions(std::FILE* in, const std::string& name, std::FILE* out, const NameTable& t, bool full,
                      bool wide) {
  int32_t current = 0;
  ForEachWideElement(in, name, wide, [&](const WideElement& e) {
    if (e.row != current) {
      current = e.row;
      if (full) std::fputc('\n', out);
    }
    if (full) WriteMember(out, t, e.col, e.value);
  });
  return current;
}

// The first allocation of the table; false (after the message) when memory is short.
bool AllocateTable(NameTable& t) {
  try {
    t.pn.reserve(kPnFirst);
    return true;
  } catch (const std::bad_alloc&) {
    ReportFailure(Failure(kExitMemory, "*** not enough memory for pn,names\n"));
    return false;
  }
}

}  // namespace

void ReadTable(std::FILE* file, NameTable& t) {
  std::string str;
  while (ReadLine(file, str))
    if (!IsSkippedLine(str, CommentRule::kHash)) ReadTableLine(str, t);
}

Listing OpenListing(const std::string& table, const std::string& solutions, const std::string& output,
                    const char* mode) {
  File tableFile = OpenFile(table, "r");
  Listing listing{{}, OpenFile(solutions, "r"), OpenOutput(output, mode)};
  ReadTable(tableFile.get(), listing.names);
  return listing;
}

int WriteInv(const std::string& table, const std::string& solutions, const std::string& output, bool full,
             bool wide, const SolutionDigest* digest) {
  File tableFile = OpenFile(table, "r");
  File solutionFile = OpenFile(solutions, "r");
  File out = OpenOutput(output, "a");
  NameTable t;
  if (!AllocateTable(t)) return 1;
  ReadTable(tableFile.get(), t);
  tableFile.reset();
  // a solution number beyond 32 bits is read, to end the run as the file would
  const bool known = !full && digest != nullptr && digest->last <= static_cast<size_t>(INT32_MAX);
  const int32_t count = known ? static_cast<int32_t>(digest->last)
                              : ListSolutions(solutionFile.get(), solutions, out.get(), t, full, wide);
  if (!full) std::fprintf(out.get(), "\n%d semiflow(s)", count);
  else if (count == 0) std::fputs("\nno semiflows", out.get());
  std::fputs("\n\n", out.get());
  CloseFile(out, output);
  return 0;
}

}  // namespace pelorin
