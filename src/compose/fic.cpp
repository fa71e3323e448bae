// Contact places of one step of sequential composition (the contract is in fic.h).
#include "compose/fic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "compose/coy.h"
#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/uti.h"
#include "run/failure.h"

namespace pelorin {
namespace {

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

// Sends every entry either to the step (both subnets fused now, renumbered by position) or back
// to the remaining list (a fused member replaced by the fused subnet number).
void SplitContacts(const std::vector<ContactEntry>& c, const std::vector<int>& fu, ElementSink step, ElementSink remaining) {
  const int count = static_cast<int>(fu.size());
  for (ContactEntry entry : c) {
    int consumer = 0;
    int producer = 0;
    const bool consumerIn = InFusion(entry.consuming, fu, count, consumer) != 0;
    const bool producerIn = InFusion(entry.producing, fu, count, producer) != 0;
    if (consumerIn && producerIn) {
      step.Put(entry.place, consumer + 1, producer + 1);
      continue;
    }
    if (consumerIn) {
      entry.consuming = fu[0];
    } else if (producerIn) {
      entry.producing = fu[0];
    }
    remaining.Put(entry.place, entry.consuming, entry.producing);
  }
}

// The lines put into a contact list's entries.
struct EntrySink {
  std::vector<Element> lines;
  void MoveInto(std::vector<ContactEntry>& entries) {
    entries.clear();
    entries.reserve(lines.size());
    for (const Element& e : lines) entries.push_back({e.row, e.col, e.value});
  }
};

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
  SplitContacts(list.entries, fu, ElementSink{stepFile.get(), nullptr}, ElementSink{remaining.get(), nullptr});
  return fu[0];
}

ContactList SplitContactList(ContactList& remaining, const std::vector<int>& fu) {
  const int size = static_cast<int>(fu.size());
  ContactList step;
  step.subnets = size;
  const int32_t left = CheckedAdd(CheckedAdd(remaining.subnets, -size), 1);
  EntrySink inside, outside;
  WithMemory("c", [&] {
    SplitContacts(remaining.entries, fu, ElementSink{nullptr, &inside.lines}, ElementSink{nullptr, &outside.lines});
    inside.MoveInto(step.entries);
    outside.MoveInto(remaining.entries);
  });
  remaining.subnets = left;
  return step;
}

}  // namespace pelorin
