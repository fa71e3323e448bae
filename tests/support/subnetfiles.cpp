// Readers and writer of the contact place list and the reader of the sequence file (contract in
// subnetfiles.h).
#include "support/subnetfiles.h"

#include <algorithm>
#include <cstdio>

#include "matrix/failure.h"
#include "matrix/lines.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"

namespace pelorin::test {

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

void WriteContactList(const std::string& name, int32_t subnets, const std::vector<ContactEntry>& entries,
                      const std::vector<char>* taken) {
  File out = OpenFile(name, "w");
  std::fprintf(out.get(), "%d\n", subnets);
  for (size_t k = 0; k < entries.size(); ++k)
    if (taken == nullptr || !(*taken)[k])
      WriteElement(out.get(), entries[k].place, entries[k].consuming, entries[k].producing);
  CloseFile(out, name);
}

void ReadFusionSet(const std::string& sequence, int step, std::string& buffer) {
  File file = OpenFile(sequence, "r");
  std::string line;
  for (int read = 0; read < std::max(step, 1); ++read)
    if (!ReadLine(file.get(), line)) Fail(kExitFile, "*** unexpected end of sequence file\n");
  buffer = line;
}

std::vector<int> FusionMembers(const std::string& line) {
  std::vector<int> members;
  size_t pos = 0;
  for (SwallowSpace(line, pos); pos < line.size(); SwallowSpace(line, pos)) {
    members.push_back(LeadingInt(line, pos));
    while (!IsSpace(line, pos)) ++pos;
  }
  return members;
}

}  // namespace pelorin::test
