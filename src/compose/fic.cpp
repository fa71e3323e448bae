// Contact places of one step of sequential composition (the contract is in fic.h).
#include "compose/fic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "matrix/failure.h"

namespace pelorin {
namespace {

struct Contact {
  int place = 0;      // row number of the place in the matrix being solved
  int consumer = 0;   // subnet of the transitions that consume the place
  int producer = 0;   // subnet of the transitions that produce it
};

// A contact place list: the subnet count of line 1, then the entries `c` in file order.
struct ContactList {
  int subnets = 0;
  std::vector<Contact> c;
};

ContactList ReadContactList(const std::string& name) {
  File file = OpenFile(name, "r");
  ContactList list;
  std::string line;
  if (!ReadLine(file.get(), line)) return list;
  list.subnets = LeadingInt(line);
  WithMemory("c", [&] {
    for (long number = 2; ReadLine(file.get(), line); ++number) {
      if (IsSkippedLine(line, CommentRule::kHash)) continue;
      const Element e = ParseElementLine(line, name, number);
      list.c.push_back(Contact{e.row, e.col, e.value});
    }
  });
  return list;
}

// Line `step` of the sequence file; a file that ends before it ends the run.
std::string SequenceLine(const std::string& name, int step) {
  File file = OpenFile(name, "r");
  std::string line;
  for (int read = 0; read < std::max(step, 1); ++read)
    if (!ReadLine(file.get(), line)) Fail(kExitFile, "*** unexpected end of sequence file\n");
  return line;
}

// The members of a fusion line: every blank-separated token, as the number it begins with (0
// when it does not begin with one).
std::vector<int> FusionMembers(const std::string& line) {
  return WithMemory("fu", [&] {
    std::vector<int> fu;
    size_t pos = 0;
    for (SwallowSpace(line, pos); pos < line.size(); SwallowSpace(line, pos)) {
      fu.push_back(LeadingInt(line, pos));
      while (!IsSpace(line, pos)) ++pos;
    }
    return fu;
  });
}

// The fusion set of line `step`; an empty set or a member 0 ends the run.
std::vector<int> ReadFusion(const std::string& name, int step) {
  std::vector<int> fu = FusionMembers(SequenceLine(name, step));
  const std::string where = "line " + std::to_string(std::max(step, 1)) + " of file " + name + "\n";
  if (fu.empty()) Fail(kExitFile, "*** empty fusion set in " + where);
  for (int member : fu)
    if (member == 0) Fail(kExitFile, "*** subnet 0 in fusion set of " + where);
  return fu;
}

void WriteContact(std::FILE* file, const Contact& entry) {
  WriteElement(file, entry.place, entry.consumer, entry.producer);
}

// Sends every entry either to the step (both subnets fused now, renumbered by position) or back
// to the remaining list (a fused member replaced by the fused subnet number).
void SplitContacts(const std::vector<Contact>& c, const std::vector<int>& fu, std::FILE* step,
                   std::FILE* remaining) {
  const int count = static_cast<int>(fu.size());
  for (Contact entry : c) {
    int consumer = 0;
    int producer = 0;
    const bool consumerIn = InFusion(entry.consumer, fu, count, consumer) != 0;
    const bool producerIn = InFusion(entry.producer, fu, count, producer) != 0;
    if (consumerIn && producerIn) {
      WriteContact(step, Contact{entry.place, consumer + 1, producer + 1});
      continue;
    }
    if (consumerIn) {
      entry.consumer = fu[0];
    } else if (producerIn) {
      entry.producer = fu[0];
    }
    WriteContact(remaining, entry);
  }
}

}  // namespace

int InFusion(int x, const std::vector<int>& fu, int count, int& position) {
  const size_t n = std::min(fu.size(), static_cast<size_t>(std::max(count, 0)));
  for (size_t i = 0; i < n; ++i) {
    if (fu[i] == x) {
      position = static_cast<int>(i);
      return 1;
    }
  }
  return 0;
}

int FilterContactPlaces(const std::string& base, int step) {
  const std::string remainingName = base + ".y";
  const ContactList list = ReadContactList(remainingName);
  const std::vector<int> fu = ReadFusion(base + ".t", step);
  const int size = static_cast<int>(fu.size());
  File stepFile = OpenFile(base + ".z", "w");
  std::fprintf(stepFile.get(), "%d\n", size);
  File remaining = OpenFile(remainingName, "w");
  std::fprintf(remaining.get(), "%d\n", CheckedAdd(CheckedAdd(list.subnets, -size), 1));
  SplitContacts(list.c, fu, stepFile.get(), remaining.get());
  return fu[0];
}

}  // namespace pelorin
