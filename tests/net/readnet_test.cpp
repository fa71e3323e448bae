// The net conversion: work files, summary and echo, the order of the files, recognition, and the
// agreement of the two readers on random nets.
#include "net/readnet.h"

#include <sys/stat.h>

#include <random>

#include "support/netfiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

struct Converted {
  std::string spm, nmp, nmt, out;
};

Converted Convert(const std::string& text, int detail = 1) {
  TempDir dir;
  WriteFile(dir / "in", text);
  WriteFile(dir / "out", "banner\n");
  ConvertNetFile(dir / "in", dir / "w", dir / "out", detail);
  return {ReadFile(dir / "w.spm"), ReadFile(dir / "w.nmp"), ReadFile(dir / "w.nmt"), ReadFile(dir / "out")};
}

const char kDemo[] = "net demo\ntr t1 p1 -> p2\ntr t2 p2*2 -> p1*2\n";

TEST(Conversion, DemoNetInFullAndDigestDetail) {
  const Converted full = Convert(kDemo, 1);
  EXPECT_EQ(full.spm, "1 1 -1\n2 2 -2\n2 1 1\n1 2 2\n");
  EXPECT_EQ(full.nmp, "1 p1\n2 p2\n");
  EXPECT_EQ(full.nmt, "1 t1\n2 t2\n");
  EXPECT_EQ(full.out,
            "banner\nparsed net demo\n\n2 places, 2 transitions\n\n"
            "net demo\ntr t1 p1 -> p2\ntr t2 p2*2 -> p1*2\n\n");
  const Converted digest = Convert(kDemo, 0);
  EXPECT_EQ(digest.out, "banner\nparsed net demo\n\n2 places, 2 transitions\n\n");
}

TEST(Conversion, EmptyNets) {
  for (const char* text : {"", "# only a comment\n\n \t\r\n", "#x"}) {
    const Converted c = Convert(text);
    EXPECT_EQ(c.spm + c.nmp + c.nmt, "") << text;
    EXPECT_EQ(c.out, "banner\nparsed net noname\n\n0 places, 0 transitions\n\nnet noname\n\n") << text;
  }
  // an empty name is a name
  EXPECT_EQ(Convert("net\n", 0).out, "banner\nparsed net \n\n0 places, 0 transitions\n\n");
}

TEST(Conversion, EchoAndMatrixOfSpecialArcs) {
  const Converted c = Convert("pl lonely\ntr t p*2 -> p*3\ntr src -> {a b}*1 z*0\ntr sink {a b} q*-4 ->\n");
  EXPECT_EQ(c.spm, "2 1 -2\n3 3 -1\n5 3 4\n2 1 3\n3 2 1\n4 2 0\n");
  EXPECT_EQ(c.nmp, "1 lonely\n2 p\n3 {a b}\n4 z\n5 q\n");
  EXPECT_EQ(c.nmt, "1 t\n2 src\n3 sink\n");
  EXPECT_EQ(c.out,
            "banner\nparsed net noname\n\n5 places, 3 transitions\n\n"
            "net noname\ntr t p*2 -> p*3\ntr src -> {a b} z\ntr sink {a b} q ->\n\n");
}

TEST(Conversion, FilesAreOpenedInOrder) {
  TempDir dir;
  const std::string in = dir / "in.net", base = dir / "w", out = dir / "out";
  WriteFile(in, kDemo);
  auto expectOpenFailure = [](const std::function<void()>& stage, const std::string& name) {
    ExpectFail(2, "*** error open file " + name + "\n", stage);
  };
  expectOpenFailure([&] { ConvertNetFile(dir / "missing", base, out, 1); }, dir / "missing");
  EXPECT_FALSE(Exists(base + ".spm"));
  expectOpenFailure([&] { ConvertNetFile(in, dir / "no/w", out, 1); }, dir / "no/w.spm");
  for (const std::string blocked : {".nmp", ".nmt"}) {
    TempDir d;
    mkdir((d / "w" + blocked).c_str(), 0700);  // a directory cannot be opened for writing
    expectOpenFailure([&] { ConvertNetFile(in, d / "w", d / "out", 1); }, d / "w" + blocked);
    EXPECT_EQ(ReadFile(d / "w.spm"), "1 1 -1\n2 2 -2\n2 1 1\n1 2 2\n");
  }
  expectOpenFailure([&] { ConvertNetFile(in, base, dir / "no/out", 1); }, dir / "no/out");
  EXPECT_EQ(ReadFile(base + ".nmt"), "1 t1\n2 t2\n");
}

TEST(Conversion, UnreadableInputAndFailedReadsLeaveAnEmptyMatrix) {
  TempDir dir;
  ExpectFail(2, "*** wrong input file\n", [&] { ConvertNetFile(dir.path(), dir / "w", dir / "out", 1); });
  EXPECT_TRUE(Exists(dir / "w.spm"));

  WriteFile(dir / "w.spm", "old\n");
  WriteFile(dir / "bad.net", "tr t a\nxx\n");
  EXPECT_EQ(ExpectFailure([&] { ConvertNetFile(dir / "bad.net", dir / "w", dir / "out", 1); }).message,
            "*** unknown command: xx\n");
  EXPECT_EQ(ReadFile(dir / "w.spm"), "");
  EXPECT_FALSE(Exists(dir / "w.nmp"));
  EXPECT_FALSE(Exists(dir / "out"));
}

TEST(Recognition, FirstMeaningfulLineDecides) {
  const std::string ndr = "p 0 0 a 0 n\nt 0 0 b 0 w\ne a b 1 n\n";
  EXPECT_EQ(Convert(ndr).spm, "1 1 -1\n");
  EXPECT_EQ(Convert("# p x\n\n \n  h n\n" + ndr).spm, "1 1 -1\n");  // comments, blanks, indentation
  EXPECT_EQ(Convert("t 0 0 b\np 0 0 a\ne b a 3 n\n").spm, "1 1 3\n");
  // a tab after the letter, or a longer first word, makes a ".net" net
  for (const char* text : {"p\t0 0 a\n", "pl a\np 0 0 b\n"})
    EXPECT_EQ(ExpectFailure([&] { Convert(text); }).message, "*** unknown command: p\n");
}

// One random net written in both formats, places declared first and then the transitions with
// their arcs, so that both readers must number the nodes and order the arcs alike.
struct RandomNet {
  std::string net, ndr;
};

void Append(std::string& text, std::initializer_list<std::string> parts) {
  for (const std::string& part : parts) text += part;
}

// Plain and braced names, with blanks, "*" and escapes inside the braces.
std::vector<std::string> NodeNames(std::mt19937& rng, const std::string& letter, size_t count) {
  std::vector<std::string> names;
  for (size_t i = 1; i <= count; ++i) {
    const std::string plain = letter + std::to_string(i);
    const unsigned form = rng() % 4;
    names.push_back(form == 0 ? "{" + plain + " x}" : form == 1 ? "{" + plain + "\\}*\\\\}" : plain);
  }
  return names;
}

// The arcs on one side of transition `t`: input places (side 0) or output places (side 1).
void AddArcs(std::mt19937& rng, const std::vector<std::string>& p, const std::string& t, int side, RandomNet& r,
             std::string& list) {
  std::vector<bool> used(p.size(), false);
  for (size_t k = rng() % 4, i = rng() % p.size(); k > 0; --k, i = rng() % p.size()) {
    if (used[i]) continue;
    used[i] = true;
    const std::string w = std::to_string(1 + rng() % 3);
    const bool renamed = rng() % 3 == 0;  // named twice: the later weight wins
    if (renamed) Append(list, {" ", p[i], "*7"});
    const bool starred = w != "1" || renamed || rng() % 2 == 0;
    Append(list, {" ", p[i], starred ? "*" : "", starred ? w : ""});
    Append(r.ndr, {"e ", side == 0 ? p[i] : t, rng() % 2 ? " 0.5 7 " : " ", side == 0 ? t : p[i], " ", w, " n\n"});
  }
}

RandomNet MakeRandomNet(std::mt19937& rng) {
  const std::vector<std::string> p = NodeNames(rng, "p", 1 + rng() % 12);
  const std::vector<std::string> t = NodeNames(rng, "t", 1 + rng() % 8);
  RandomNet r{"net {random net}\n", "h {random net}\n"};
  for (const std::string& name : p) Append(r.net, {"pl ", name, " (1)\n"});
  for (const std::string& name : p) Append(r.ndr, {"p 1 2 ", name, " 0 n\n"});
  for (const std::string& name : t) Append(r.ndr, {"t 3 4 ", name, " 0 w 2\n"});
  for (const std::string& name : t) {
    std::string inputs, outputs;
    AddArcs(rng, p, name, 0, r, inputs);
    AddArcs(rng, p, name, 1, r, outputs);
    Append(r.net, {"tr ", name, " [0,1]", inputs, "\ntr ", name, " ->", outputs, "\n"});
  }
  return r;
}

// The output after the banner and the summary.
std::string EchoOf(const std::string& out) { return out.substr(out.find("\n\n", out.find("\n\n") + 2) + 2); }

TEST(Conversion, BothFormatsOfOneRandomNetGiveTheSameFilesAndOutput) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 60; ++round) {
    const RandomNet r = MakeRandomNet(rng);
    const Converted fromNet = Convert(r.net), fromNdr = Convert(r.ndr);
    ASSERT_EQ(fromNet.spm + fromNet.nmp + fromNet.nmt, fromNdr.spm + fromNdr.nmp + fromNdr.nmt) << r.net << r.ndr;
    ASSERT_EQ(fromNet.out, fromNdr.out) << r.net << r.ndr;
    const std::string echo = EchoOf(fromNet.out);
    ASSERT_EQ(EchoOf(Convert(echo).out), echo) << echo;  // the echo is a net with the same echo
  }
}

}  // namespace
}  // namespace pelorin
