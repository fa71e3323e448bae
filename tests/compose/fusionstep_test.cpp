// Contact places of a step: the step's list and the remaining list byte for byte, the failures,
// the fusion sets of the sequence file, the membership test, and a whole collapse sequence walked
// step by step.
#include "compose/fusionstep.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/stagefiles.h"
#include "support/subnetfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

TEST(FilterContactPlaces, SplitsTheContactPlacesOfTheStep) {
  struct Case {
    std::string remaining, sequence;
    int step;
    std::string stepList, remainingAfter;
    int fused;
  };
  const Case cases[] = {
      {"3\n5 1 2\n6 2 3\n7 3 1\n", "1 2\n", 1, "2\n5 1 2\n", "2\n6 1 3\n7 3 1\n", 1},
      {"3\n8 2 1\n", "1 2\n", 1, "2\n8 2 1\n", "2\n", 1},
      // a decreasing set: 4 is the fused number and member 1
      {"5\n9 2 4\n10 2 7\n11 7 2\n12 4 7\n13 7 1\n", "1 3\n4 2\n", 2, "2\n9 2 1\n",
       "4\n10 4 7\n11 7 4\n12 4 7\n13 7 1\n", 4},
      {"4\n5 1 2\n6 2 3\n7 3 1\n8 3 4\n", "1 2 3\n", 1, "3\n5 1 2\n6 2 3\n7 3 1\n", "2\n8 1 4\n", 1},
      // comment and blank lines are dropped; line 1 is the count whatever it holds
      {"3\n# note\n\n5 1 2\n", "1 2\n", 1, "2\n5 1 2\n", "2\n", 1},
      {"\n5 1 2\n", "1 2\n", 1, "2\n5 1 2\n", "-1\n", 1},
      {"2\n5 1 2\n", "  2\t1  \r\n", 1, "2\n5 2 1\n", "1\n", 2},
      {"", "1 2\n", 1, "2\n", "-1\n", 1},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "m.y", c.remaining);
    WriteFile(dir / "m.t", c.sequence);
    EXPECT_EQ(FilterContactPlaces(dir / "m", c.step), c.fused) << c.remaining;
    EXPECT_EQ(ReadFile(dir / "m.z"), c.stepList) << c.remaining;
    EXPECT_EQ(ReadFile(dir / "m.y"), c.remainingAfter) << c.remaining;
  }
}

TEST(FilterContactPlaces, FailsBeforeWritingAnything) {
  struct Case {
    std::string sequence;
    int step;
    std::string message;
  };
  TempDir dir;
  const std::string t = dir / "m.t";
  const Case cases[] = {
      {"1 2\n", 2, "*** unexpected end of sequence file\n"},
      {"", 1, "*** unexpected end of sequence file\n"},
      {"1 2\n \t\n", 2, "*** empty fusion set in line 2 of file " + t + "\n"},
      {"1 0\n", 1, "*** subnet 0 in fusion set of line 1 of file " + t + "\n"},
      {"1 2\n3 x4\n", 2, "*** subnet 0 in fusion set of line 2 of file " + t + "\n"},
  };
  for (const Case& c : cases) {
    WriteFile(dir / "m.y", "3\n5 1 2\n");
    WriteFile(t, c.sequence);
    ExpectFail(2, c.message, [&] { FilterContactPlaces(dir / "m", c.step); });
    EXPECT_EQ(ReadFile(dir / "m.y"), "3\n5 1 2\n");
    EXPECT_FALSE(Exists(dir / "m.z"));
  }
  ExpectFail(2, "*** error open file " + (dir / "none.y") + "\n", [&] { FilterContactPlaces(dir / "none", 1); });
}

// The fusion sets of the sequence file, read from the file as the file form of a step reads them.
TEST(FusionSets, FusionMembersAreTheBlankSeparatedNumbers) {
  EXPECT_EQ(FusionMembers("  7\t12  \n"), (std::vector<int>{7, 12}));
  EXPECT_EQ(FusionMembers("1 2\n"), (std::vector<int>{1, 2}));
  EXPECT_EQ(FusionMembers("x 5"), (std::vector<int>{0, 5}));  // a word that is no number
  EXPECT_EQ(FusionMembers("x -3 4y\n"), (std::vector<int>{0, -3, 4}));
  EXPECT_TRUE(FusionMembers("").empty());
  EXPECT_TRUE(FusionMembers(" \t\n").empty());
}

TEST(FusionSets, ReadFusionSetCopiesTheLineOfTheStep) {
  TempDir dir;
  WriteFile(dir / "t", "1 2\n3 4\n1 3");
  std::string buffer = "before";
  ReadFusionSet(dir / "t", 2, buffer);
  EXPECT_EQ(buffer, "3 4\n");
  ReadFusionSet(dir / "t", 3, buffer);
  EXPECT_EQ(buffer, "1 3");
  ReadFusionSet(dir / "t", 0, buffer);  // a step below 1 reads the first line
  EXPECT_EQ(buffer, "1 2\n");
  ExpectFail(2, "*** error open file " + (dir / "none") + "\n", [&] { ReadFusionSet(dir / "none", 1, buffer); });
}

// A sequence file that ends before the step ends the run rather than leaving the line of an
// earlier step in the buffer.
TEST(FusionSets, ShortSequenceFileEndsTheRun) {
  TempDir dir;
  WriteFile(dir / "t", "1 2\n3 4\n");
  std::string buffer = "3 4\n";
  ExpectFail(2, "*** unexpected end of sequence file\n", [&] { ReadFusionSet(dir / "t", 3, buffer); });
  EXPECT_EQ(buffer, "3 4\n");
  WriteFile(dir / "empty", "");
  EXPECT_EQ(ExpectFailure([&] { ReadFusionSet(dir / "empty", 1, buffer); }).message,
            "*** unexpected end of sequence file\n");
}

TEST(InFusion, ReportsTheFirstPosition) {
  const std::vector<int> fu = {4, 7, 4, 9};
  int position = -5;
  EXPECT_TRUE(InFusion(4, fu, 4, position));
  EXPECT_EQ(position, 0);
  EXPECT_TRUE(InFusion(9, fu, 4, position));
  EXPECT_EQ(position, 3);
  position = -5;
  EXPECT_FALSE(InFusion(9, fu, 3, position));  // only the first `count` members count
  EXPECT_FALSE(InFusion(2, fu, 4, position));
  EXPECT_EQ(position, -5);
}

// A random decomposition's contact places, collapsed by the graph they make and taken step by
// step: every contact place turns up in exactly one step, with the members that its consuming and
// producing subnets have become, and nothing remains at the end.
// The plain split of one step: every entry in order, to the step (renumbered) or back to the list.
ContactList PlainSplit(ContactList& remaining, const std::vector<int>& fu) {
  ContactList step{static_cast<int32_t>(fu.size()), {}};
  std::vector<ContactEntry> stay;
  for (ContactEntry entry : remaining.entries) {
    int c = 0, p = 0;
    const bool cIn = InFusion(entry.consuming, fu, static_cast<int>(fu.size()), c);
    const bool pIn = InFusion(entry.producing, fu, static_cast<int>(fu.size()), p);
    if (cIn && pIn) {
      step.entries.push_back({entry.place, c + 1, p + 1});
      continue;
    }
    if (cIn) entry.consuming = fu[0];
    else if (pIn) entry.producing = fu[0];
    stay.push_back(entry);
  }
  remaining.entries = stay;
  remaining.subnets += 1 - static_cast<int32_t>(fu.size());
  return step;
}

std::vector<std::vector<int32_t>> Lines(const std::vector<ContactEntry>& entries) {
  std::vector<std::vector<int32_t>> lines;
  for (const ContactEntry& e : entries) lines.push_back({e.place, e.consuming, e.producing});
  return lines;
}

// Steps kept in memory visit only the entries that name a member, across many steps; they must
// split as the plain pass over every entry does, whatever the fusion sets (repeated members,
// absent numbers, sets of one or four).
TEST(TakeFusionStep, SplitsAsThePlainPassOverEveryEntry) {
  std::mt19937 random(7);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int trial = 0; trial < 300; ++trial) {
    ContactList plain{8, {}};
    for (int k = 0, n = below(30); k < n; ++k) plain.entries.push_back({100 + k, 1 + below(8), 1 + below(8)});
    RemainingContacts kept = MakeRemainingContacts(plain);
    for (int step = 0; step < 6; ++step) {
      std::vector<int> fu;
      for (int k = 0, n = 1 + below(4); k < n; ++k) fu.push_back(1 + below(9));
      const ContactList expected = PlainSplit(plain, fu);
      const ContactList got = TakeFusionStep(kept, fu);
      ASSERT_EQ(got.subnets, expected.subnets);
      ASSERT_EQ(Lines(got.entries), Lines(expected.entries)) << "trial " << trial << ", step " << step;
      std::vector<ContactEntry> stay;
      for (size_t k = 0; k < kept.entries.size(); ++k)
        if (!kept.taken[k]) stay.push_back(kept.entries[k]);
      ASSERT_EQ(Lines(stay), Lines(plain.entries)) << "trial " << trial << ", step " << step;
      ASSERT_EQ(kept.subnets, plain.subnets);
    }
  }
}

TEST(FilterContactPlaces, WalksAWholeCollapseSequence) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    const int subnets = 2 + static_cast<int>(random() % 12);
    std::map<int, std::pair<int, int>> contact;  // place -> (consuming, producing)
    std::map<std::pair<int, int>, int> shared;   // arc of the graph -> contact places
    std::string list = std::to_string(subnets) + "\n";
    for (int s = 2; s <= subnets; ++s) {  // connected: subnet s touches an earlier one
      for (int more = 0; more < 1 + static_cast<int>(random() % 3); ++more) {
        int consumer = s, producer = 1 + static_cast<int>(random() % static_cast<unsigned>(s - 1));
        if (more > 0) producer = 1 + static_cast<int>(random() % static_cast<unsigned>(subnets));
        if (producer == consumer) continue;
        if (random() % 2 == 0) std::swap(consumer, producer);
        const int place = 100 + static_cast<int>(contact.size());
        contact[place] = {consumer, producer};
        ++shared[{std::min(consumer, producer), std::max(consumer, producer)}];
        list += std::to_string(place) + " " + std::to_string(consumer) + " " + std::to_string(producer) + "\n";
      }
    }
    std::string graph;
    for (const auto& [arc, weight] : shared)
      graph += std::to_string(arc.first) + " " + std::to_string(arc.second) + " " + std::to_string(weight) + "\n";
    TempDir dir;
    WriteFile(dir / "m.p", graph);
    WriteFile(dir / "m.y", list);
    const int steps = CollapseOfGraph(CollapseStrategy::kDrawnHeaviest, dir / "m.p", dir / "m.t");
    ASSERT_EQ(steps, subnets - 1);
    std::map<int, int> label;  // decomposition subnet -> its current number
    for (int s = 1; s <= subnets; ++s) label[s] = s;
    std::map<int, int> seen;
    std::istringstream sequence(ReadFile(dir / "m.t"));
    for (int step = 1; step <= steps; ++step) {
      int first = 0, second = 0;
      sequence >> first >> second;
      ASSERT_EQ(FilterContactPlaces(dir / "m", step), first);
      std::istringstream stepList(ReadFile(dir / "m.z"));
      int size = 0, place = 0, consumer = 0, producer = 0;
      stepList >> size;
      ASSERT_EQ(size, 2);
      while (stepList >> place >> consumer >> producer) {
        ++seen[place];
        const std::vector<int> members = {first, second};
        EXPECT_EQ(members[static_cast<size_t>(consumer - 1)], label[contact[place].first]);
        EXPECT_EQ(members[static_cast<size_t>(producer - 1)], label[contact[place].second]);
      }
      for (auto& [s, current] : label)
        if (current == second) current = first;
      const std::string remaining = ReadFile(dir / "m.y");
      ASSERT_EQ(remaining.substr(0, remaining.find('\n') + 1), std::to_string(subnets - step) + "\n");
    }
    EXPECT_EQ(ReadFile(dir / "m.y"), "1\n");
    EXPECT_EQ(seen.size(), contact.size());
    for (const auto& [place, times] : seen) EXPECT_EQ(times, 1) << place;
  }
}

}  // namespace
}  // namespace pelorin
