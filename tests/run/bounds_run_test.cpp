// End to end with "--bounds" and the constants of "--json": on seeded random nets with random
// initial markings, every bound is at least the largest marking of its place that an exhaustive
// (state-bounded) exploration of the reachable markings finds, one positive bound is reached
// where the exploration is complete, a place whose marking no transition changes is bounded by
// its initial marking, the generating sets of the default run, of "-c" and of "--minimal" prove
// the same bounds, each constant is y.m0, and the text section is the only
// difference "--bounds" makes to the report. A constant beyond 64 bits is exact; "-T" refuses
// "--bounds".
#include <gmpxx.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

#include "matrix/spm.h"
#include "support/netgen.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using nlohmann::json;
using test::NetFamily;
using Marking = std::vector<int64_t>;

// The arcs of a net from its W.spm: pre[t] and post[t] as (place index, weight) pairs.
struct Arcs {
  std::vector<std::vector<std::pair<size_t, int64_t>>> pre, post;
};

Arcs ReadArcs(const std::string& spm, size_t transitions) {
  Arcs arcs{std::vector<std::vector<std::pair<size_t, int64_t>>>(transitions), {}};
  arcs.post = arcs.pre;
  for (const Element& e : ReadElementsFile(spm)) {
    const size_t t = static_cast<size_t>(e.col) - 1, p = static_cast<size_t>(e.row) - 1;
    if (e.value < 0) arcs.pre[t].push_back({p, -int64_t{e.value}});
    if (e.value > 0) arcs.post[t].push_back({p, e.value});
  }
  return arcs;
}

// The largest marking of each place over the reachable markings found breadth first, up to
// `limit` markings; `complete` tells whether every reachable marking was found.
Marking LargestMarkings(const Arcs& arcs, const Marking& m0, size_t limit, bool& complete) {
  std::set<Marking> seen{m0};
  std::vector<Marking> queue{m0};
  Marking largest = m0;
  for (size_t next = 0; next < queue.size() && seen.size() < limit; ++next) {
    for (size_t t = 0; t < arcs.pre.size(); ++t) {
      Marking m = queue[next];
      bool enabled = true;
      for (const auto& [p, w] : arcs.pre[t]) enabled = enabled && (m[p] -= w) >= 0;
      if (!enabled) continue;
      for (const auto& [p, w] : arcs.post[t]) m[p] += w;
      if (!seen.insert(m).second) continue;
      for (size_t p = 0; p < m.size(); ++p) largest[p] = std::max(largest[p], m[p]);
      queue.push_back(std::move(m));
    }
  }
  complete = seen.size() < limit;
  return largest;
}

// The random net with a random initial marking (0 to 2 tokens on about half of the places).
Marking MarkNet(const std::string& dir, const std::string& net, uint32_t seed) {
  WriteFile(dir + "/n.net", net);
  EXPECT_EQ(RunPelorinBinary({"-q", "-d", "1", "-w", "w0", "n.net"}, dir).exitCode, 0);
  std::istringstream names(ReadFile(dir + "/w0.nmp"));
  std::mt19937 random(seed);
  std::string marked = net;
  Marking m0;
  for (std::string number, name; names >> number >> name;) {
    m0.push_back(random() % 2 == 0 ? static_cast<int64_t>(random() % 3) : 0);
    marked += "pl " + name + " (" + std::to_string(m0.back()) + ")\n";
  }
  WriteFile(dir + "/n.net", marked);
  return m0;
}

json RunJson(const std::string& dir, std::vector<std::string> args) {
  args.insert(args.end(), {"--json", "--bounds", "n.net"});
  const test::RunResult r = RunPelorinBinary(args, dir);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  return json::parse(r.out);
}

// Every constant of the document is y.m0.
void ExpectConstants(const json& doc, const Marking& m0) {
  for (const json& semiflow : doc["semiflows"]) {
    int64_t constant = 0;
    for (const json& m : semiflow["support"])
      constant += m["coefficient"].get<int64_t>() * m0[m["number"].get<size_t>() - 1];
    EXPECT_EQ(semiflow["constant"].get<int64_t>(), constant) << semiflow;
  }
}

// The text report with "--bounds" is the report without it and the section the document gives.
void ExpectTextSection(const std::string& dir, const json& doc) {
  std::string section = "PLACE BOUNDS -----------------------------------------------\n\n";
  for (const json& place : doc["bounds"]["places"])
    if (!place["bound"].is_null()) section += place["name"].get<std::string>() + " <= " + place["bound"].dump() + "\n";
  section += doc["bounds"]["without_bound"].dump() + " place(s) without a bound (in no semiflow)\n\n";
  std::string plain = MaskTime(RunPelorinBinary({"n.net"}, dir).out);
  plain.insert(plain.find("TIME\n"), section);
  EXPECT_EQ(MaskTime(RunPelorinBinary({"--bounds", "n.net"}, dir).out), plain);
}

// Places whose marking no transition changes: one without arcs, two with test and inhibitor arcs
// only, one that its transition gives back what it takes.
const char* const kStillPlaces = "pl still1\ntr look still2?1 still3?-2 ->\ntr keep still4*2 -> still4*2\n";

void CheckBounds(NetFamily family, uint32_t seed) {
  TempDir dir;
  const Marking m0 = MarkNet(dir.path(), test::RandomNet(family, seed) + kStillPlaces, seed);
  const json doc = RunJson(dir.path(), {"-d", "1", "-w", "w"});
  EXPECT_EQ(RunJson(dir.path(), {"-c"})["bounds"], doc["bounds"]);
  EXPECT_EQ(RunJson(dir.path(), {"--minimal"})["bounds"], doc["bounds"]);
  ExpectConstants(doc, m0);
  ExpectTextSection(dir.path(), doc);

  bool complete = false;
  const Marking largest =
      LargestMarkings(ReadArcs(dir / "w.spm", doc["transitions"].get<size_t>()), m0, 20000, complete);
  bool reached = false, positive = false;
  for (const json& place : doc["bounds"]["places"]) {
    EXPECT_TRUE(!place["bound"].is_null() || place["name"].get<std::string>().rfind("still", 0) != 0) << place;
    if (place["bound"].is_null()) continue;
    const int64_t bound = place["bound"].get<int64_t>(), found = largest[place["number"].get<size_t>() - 1];
    EXPECT_LE(found, bound) << place;
    if (place["name"].get<std::string>().rfind("still", 0) == 0) {
      EXPECT_EQ(bound, found) << place;
    }
    positive = positive || bound > 0;
    reached = reached || (bound > 0 && found == bound);
  }
  EXPECT_TRUE(reached || !complete || !positive) << ReadFile(dir / "n.net");
}

TEST(Bounds, HoldInEveryReachableMarkingAndAgreeAcrossGeneratingSets) {
  for (const NetFamily family : test::AllFamilies()) test::ForEachSeed(family, 6, CheckBounds);
}

TEST(Bounds, ConstantsAndBoundsBeyond64BitsAreExact) {
  TempDir dir;
  std::string net;  // the one semiflow is 3^50 on p0 down to 2^50 on p50
  for (int i = 0; i < 50; ++i) net += "tr t" + std::to_string(i) + " p" + std::to_string(i) + "*2 -> p" + std::to_string(i + 1) + "*3\n";
  WriteFile(dir / "n.net", net + "pl p0 (2000M)\npl p50 (7K)\n");
  mpz_class three, two;
  mpz_ui_pow_ui(three.get_mpz_t(), 3, 50);
  mpz_ui_pow_ui(two.get_mpz_t(), 2, 50);
  const mpz_class constant = three * 2000000000 + two * 7000;
  test::RunResult r = RunPelorinBinary({"--json", "--minimal", "n.net"}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find(", \"constant\": " + constant.get_str() + "}\n"), std::string::npos) << r.out;
  r = RunPelorinBinary({"-q", "--minimal", "--bounds", "n.net"}, dir.path());
  const mpz_class p49 = constant / (3 * two / 2), p50 = constant / two;
  EXPECT_NE(r.out.find("\np0 <= 2000000000\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\np49 <= " + p49.get_str() + "\np50 <= " + p50.get_str() + "\n0 place(s)"), std::string::npos);
  // the default run refuses the coefficients, as without "--bounds"
  EXPECT_EQ(RunPelorinBinary({"--bounds", "n.net"}, dir.path()).exitCode, 5);
}

TEST(Bounds, NeedPSemiflows) {
  TempDir dir;
  WriteFile(dir / "n.net", "tr a -> p\ntr b p -> q\n");  // no semiflow
  for (const auto& args : std::vector<std::vector<std::string>>{{"--bounds", "-T", "n.net"}, {"-T", "n.net", "--bounds", "-o", "r"}}) {
    const test::RunResult r = RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "*** --bounds needs P-semiflows: not with -T\n");
  }
  const test::RunResult r = RunPelorinBinary({"-T", "--bounds", "-P", "-q", "n.net"}, dir.path());  // the last wins
  EXPECT_NE(r.out.find("\n\nPLACE BOUNDS ------"), std::string::npos);
  EXPECT_NE(MaskTime(r.out).find("\n\n2 place(s) without a bound (in no semiflow)\n\nTIME"), std::string::npos) << r.out;
  EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{"n.net"});
}

}  // namespace
}  // namespace pelorin
