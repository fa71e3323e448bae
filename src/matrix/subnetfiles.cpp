// Readers of the contact place list and of the sequence file (contract in subnetfiles.h).
#include "matrix/subnetfiles.h"

#include <algorithm>

#include "matrix/failure.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/lines.h"

namespace pelorin {

namespace {

// The positions where the blank-separated words of `line` begin.
std::vector<size_t> WordStarts(const std::string& line) {
  std::vector<size_t> starts;
  size_t pos = 0;
  for (SwallowSpace(line, pos); pos < line.size(); SwallowSpace(line, pos)) {
    starts.push_back(pos);
    while (!IsSpace(line, pos)) ++pos;
  }
  return starts;
}

}  // namespace

ContactList ReadContactList(const std::string& name) {
  File file = OpenFile(name, "r");
  ContactList list;
  std::string line;
  if (ReadLine(file.get(), line)) list.subnets = LeadingInt(line);
  WithMemory("c", [&] {
    ForEachElement(
        file.get(), name, [&](const Element& e) { list.entries.push_back({e.row, e.col, e.value}); },
        CommentRule::kHash, 2);
  });
  return list;
}

void ReadFusionSet(const std::string& sequence, int step, std::string& buffer) {
  File file = OpenFile(sequence, "r");
  std::string line;
  for (int read = 0; read < std::max(step, 1); ++read)
    if (!ReadLine(file.get(), line)) Fail(kExitFile, "*** unexpected end of sequence file\n");
  buffer = line;
}

int NextFSN(const std::string& line, int k) {
  const std::vector<size_t> starts = WordStarts(line);
  if (k < 1 || static_cast<size_t>(k) > starts.size()) return 0;
  return LeadingInt(line, starts[static_cast<size_t>(k - 1)]);
}

std::vector<int> FusionMembers(const std::string& line) {
  std::vector<int> fu;
  for (size_t start : WordStarts(line)) fu.push_back(LeadingInt(line, start));
  return fu;
}

}  // namespace pelorin
