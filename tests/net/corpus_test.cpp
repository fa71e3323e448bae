// The four nets of the corpus that use the constructs of real ".net" files (labels, inhibitor
// arcs, the multipliers K and M), read as meant: each one's echo, read back as ".net", gives the
// same incidence matrix and names; the ".ndr" twins (with inhibitor arcs and multipliers of their
// own) and the two spellings of l6000 agree with them, arc for arc. Skipped when the corpus (../shared/nets beside the source tree) is not there.
#include "net/readnet.h"

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <sstream>
#include <utility>

#include "support/netfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// The folder of the corpus nets, or "" when there is none.
std::string CorpusDir() {
  for (const std::string& dir : {test::SourcePath("../shared/nets"), std::string("/work/shared/nets")}) {
    struct stat info {};
    if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
  }
  return "";
}

// A net as read, by names: the non-zero entries of its incidence matrix keyed by (place,
// transition) name, its arcs (the lines of W.spm, self-loops and weights of 0 kept), its name
// sets, its initial marking by place name, and the report's echo.
struct NamedNet {
  std::map<std::pair<std::string, std::string>, int64_t> matrix;
  std::multiset<std::tuple<std::string, std::string, int64_t>> arcs;
  std::set<std::string> places, transitions;
  std::map<std::string, int32_t> marking;
  std::string echo;
};

// "number name" lines into a table indexed by number.
std::map<int, std::string> NameTable(const std::string& text) {
  std::map<int, std::string> names;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t blank = line.find(' ');
    names[std::stoi(line.substr(0, blank))] = line.substr(blank + 1);
  }
  return names;
}

NamedNet ReadNamed(const std::string& path) {
  TempDir dir;
  const NetSummary summary = ConvertNetFile(path, dir / "w", dir / "out", 1);
  const auto places = NameTable(ReadFile(dir / "w.nmp")), transitions = NameTable(ReadFile(dir / "w.nmt"));
  NamedNet net;
  for (const auto& [number, name] : places) {
    net.places.insert(name);
    const int32_t tokens = summary.marking.at(static_cast<size_t>(number - 1));
    if (tokens != 0) net.marking[name] = tokens;
  }
  for (const auto& entry : transitions) net.transitions.insert(entry.second);
  std::istringstream spm(ReadFile(dir / "w.spm"));
  for (int p, t, value; spm >> p >> t >> value;) {
    net.matrix[{places.at(p), transitions.at(t)}] += value;
    net.arcs.insert({places.at(p), transitions.at(t), value});
  }
  std::erase_if(net.matrix, [](const auto& entry) { return entry.second == 0; });
  const std::string out = ReadFile(dir / "out");
  net.echo = out.substr(out.find("\nnet ") + 1);
  return net;
}

// The net of `file` and its echo read back as ".net" have the same matrix and names.
NamedNet ExpectEchoReadsBack(const std::string& corpus, const std::string& file) {
  const NamedNet net = ReadNamed(corpus + "/" + file);
  TempDir dir;
  WriteFile(dir / "echo.net", net.echo);
  const NamedNet back = ReadNamed(dir / "echo.net");
  EXPECT_EQ(back.matrix, net.matrix) << file;
  EXPECT_EQ(back.places, net.places) << file;
  EXPECT_EQ(back.transitions, net.transitions) << file;
  EXPECT_EQ(back.echo, net.echo) << file;
  return net;
}

TEST(CorpusNets, TheConstructsOfRealNetFilesAreReadAsMeant) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus of nets beside the source tree";
  // abp: labels before the intervals
  const NamedNet abp = ExpectEchoReadsBack(corpus, "abp.net");
  const NamedNet abpNdr = ReadNamed(corpus + "/abp.ndr");
  EXPECT_EQ(abp.matrix, abpNdr.matrix);
  EXPECT_EQ(abp.places, abpNdr.places);
  EXPECT_EQ(abp.marking, abpNdr.marking);
  EXPECT_EQ(abp.places.size(), 12u);
  // Finalovertaking: labels of transitions and places, inhibitor arcs, in both formats
  const NamedNet over = ExpectEchoReadsBack(corpus, "Finalovertaking.net");
  const NamedNet overNdr = ReadNamed(corpus + "/Finalovertaking.ndr");
  EXPECT_EQ(over.matrix, overNdr.matrix);
  EXPECT_EQ(over.arcs, overNdr.arcs);
  EXPECT_EQ(over.places, overNdr.places);
  EXPECT_EQ(over.marking, overNdr.marking);
  EXPECT_EQ(over.echo.find('?'), std::string::npos);
  // l6000 in its two spellings: by transitions and by places, weights and markings in thousands
  const NamedNet l6000 = ExpectEchoReadsBack(corpus, "l6000.net");
  const NamedNet byPlaces = ExpectEchoReadsBack(corpus, "l6000-place.net");
  EXPECT_EQ(l6000.echo,
            "net l6000\ntr t1 p1*6000 p3*2 -> p1*6000 p2*3\ntr t3 p3*2000 p2 -> p3*2000 p1*2\n"
            "tr t2 p2*3000 p1*3 -> p3 p2*3000\n\n");
  EXPECT_EQ(byPlaces.matrix, l6000.matrix);
  EXPECT_EQ(byPlaces.marking, l6000.marking);
  EXPECT_EQ(l6000.marking, (std::map<std::string, int32_t>{{"p1", 6000}, {"p3", 2000}}));
  const NamedNet l6000Ndr = ReadNamed(corpus + "/l6000.ndr");
  EXPECT_EQ(l6000Ndr.marking, l6000.marking);
  EXPECT_EQ(l6000Ndr.arcs, l6000.arcs);  // weights "6K" (the self-loops cancel in the matrix)
  EXPECT_EQ(l6000Ndr.arcs.count({"p1", "t1", -6000}), 1u);
}

}  // namespace
}  // namespace pelorin
