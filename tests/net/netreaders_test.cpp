// The line rules of the ".net" and ".ndr" readers, names included, and every message of the two
// readers, seen through the work files and the summary of the conversion.
#include "net/readnet.h"

#include "net/convert.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

std::string Read(const std::string& text) { return test::ConvertNet(text); }

void ExpectRejected(const std::string& text, const std::string& message, int code = 2) {
  test::ExpectNetRejected(text, message, code);
}

const std::string kNoName = "|parsed net noname";

TEST(Names, BracedAndPlain) {
  EXPECT_EQ(Read("tr {t 1} {a\\}b}*2 {c\\\\} -> {open end\n"),
            "1 1 -2\n2 1 -1\n3 1 1\n|1 {a\\}b}\n2 {c\\\\}\n3 {open end\n|1 {t 1}\n" + kNoName);
  // a plain name ends at "*", a braced one after its brace; "tr" alone or before "*" names ""
  EXPECT_EQ(Read("tr t p*3 {q}r -> {s\r\n"), "1 1 -3\n2 1 -1\n3 1 -1\n4 1 1\n|1 p\n2 {q}\n3 r\n4 {s\n|1 t\n" + kNoName);
  EXPECT_EQ(Read("tr\ntr*x\n"), "1 1 0\n|1 \n|1 \n" + kNoName);
}

TEST(NetReader, ArcsAndTheirWeights) {
  EXPECT_EQ(Read("tr t1 p1 p2 -> p3\n"), "1 1 -1\n2 1 -1\n3 1 1\n|1 p1\n2 p2\n3 p3\n|1 t1\n" + kNoName);
  // an arc named again keeps its entry; only "*" changes the weight, and the last one wins
  EXPECT_EQ(Read("tr t a -> b\ntr t a -> b\ntr t a*2 a*3 a\npl a -> t*5\n"), "1 1 -5\n2 1 1\n|1 a\n2 b\n|1 t\n" + kNoName);
  EXPECT_EQ(Read("tr t a* b*-1 c*+4x d*9*2 e*- f* 3 -> g*2147483647\n"),
            "1 1 0\n2 1 1\n3 1 -4\n4 1 -9\n5 1 0\n6 1 0\n7 1 -1\n8 1 2147483647\n"
            "|1 a\n2 b\n3 c\n4 d\n5 e\n6 f\n7 3\n8 g\n|1 t\n" + kNoName);
  ExpectRejected("tr t a*2147483648\n", "*** integer overflow\n", 5);
  ExpectRejected("tr t a*-2147483648\n", "*** integer overflow\n", 5);  // its negation does not fit
}

TEST(NetReader, MarkingsIntervalsArrowsAndLineEnds) {
  EXPECT_EQ(Read("pl p (2) t1 -> t2\n"), "1 2 -1\n1 1 1\n|1 p\n|1 t1\n2 t2\n" + kNoName);
  // an interval or marking is one word, and only right after the declared name
  EXPECT_EQ(Read("tr t [0, 3] a (1)\ntr u ]2,w[\npl p [1] ->\n"),
            "1 1 -1\n2 1 -1\n3 1 -1\n4 3 1\n|1 3]\n2 a\n3 (1)\n4 p\n|1 t\n2 u\n3 [1]\n" + kNoName);
  EXPECT_EQ(Read("tr t a -> b -> c\ntr u a->b\n"),
            "1 1 -1\n5 2 -1\n2 1 1\n3 1 1\n4 1 1\n|1 a\n2 b\n3 ->\n4 c\n5 a->b\n|1 t\n2 u\n" + kNoName);
  EXPECT_EQ(Read("tr t a ->"), "1 1 -1\n|1 a\n|1 t\n" + kNoName);  // the arrow ends the input
  EXPECT_EQ(Read("tr t a -"), "1 1 -1\n2 1 -1\n|1 a\n2 -\n|1 t\n" + kNoName);
  EXPECT_EQ(Read("net n\r\ntr t a*2\r\n\r\npl b\t(1)\tt\r\n"), "1 1 -2\n2 1 1\n|1 a\n2 b\n|1 t\n|parsed net n");
}

TEST(NetReader, DeclarationsShareOneNameSpaceItemsDoNot) {
  EXPECT_EQ(Read("tr t a\npl a -> t\ntr t t\npl p p\n"), "1 1 -1\n2 1 -1\n3 2 1\n|1 a\n2 t\n3 p\n|1 t\n2 p\n" + kNoName);
  ExpectRejected("tr t\npl t\n", "*** duplicate name: t\n");
  ExpectRejected("pl {p q}\ntr {p q}\n", "*** duplicate name: {p q}\n");
}

TEST(NetReader, LineKindsAndMessages) {
  EXPECT_EQ(Read("net first\n#net x\nlb tr t a\n  \t\nnet {second one}\n"), "|||parsed net {second one}");
  ExpectRejected("net a\n  # indented\n", "*** unknown command: #\n");
  ExpectRejected("trx t\n", "*** unknown command: trx\n");
  ExpectRejected("*tr\n", "*** unknown command: \n");
  ExpectRejected("tr -> a\n", "*** empty transition name: tr -> a\n\n");
  ExpectRejected("tr -> a", "*** empty transition name: tr -> a\n\n");
  ExpectRejected("tr t\r\n  pl  -> t\r\n", "*** empty place name:   pl  -> t\r\n\n");
}

// Labels, arcs that move no token, multipliers and the lines that are ignored: the constructs
// of real ".net" files.
TEST(NetConstructs, LabelsAfterTheNodeName) {
  EXPECT_EQ(Read("tr t1 : toto [0,w[ p1 -> p2\npl p2 : {a label} (1) -> t1\ntr t2 : {x}y*2 a\n"),
            "1 1 -1\n2 1 -1\n3 2 -1\n2 1 1\n|1 p1\n2 p2\n3 a\n|1 t1\n2 t2\n" + kNoName);
  // no label: a colon not standing alone, not right after the name, or without a name after it
  EXPECT_EQ(Read("tr t :x a : b\ntr u : -> c\ntr v :\n"),
            "1 1 -1\n2 1 -1\n3 1 -1\n4 1 -1\n3 2 -1\n3 3 -1\n5 2 1\n"
            "|1 :x\n2 a\n3 :\n4 b\n5 c\n|1 t\n2 u\n3 v\n" + kNoName);
}

TEST(NetConstructs, TestInhibitorAndStopwatchArcsMakeTheirNodeButNoArc) {
  EXPECT_EQ(Read("tr t a?1 b?-2 c!3 d!-4K e -> f {g h}?-1 a\npl p u?1 -> t?2\n"),
            "5 1 -1\n6 1 1\n1 1 1\n|1 a\n2 b\n3 c\n4 d\n5 e\n6 f\n7 {g h}\n8 p\n|1 t\n2 u\n" + kNoName);
  // an arc named ordinarily keeps its entry and weight beside a test arc
  EXPECT_EQ(Read("tr t a*2 a?1 -> a!-1\n"), "1 1 -2\n|1 a\n|1 t\n" + kNoName);
  // no such suffix: no name before it, no count, no count ending the word, or "*" after it
  EXPECT_EQ(Read("tr t ?1 a?x b?- c?1*2 {d}?1x e?1k\n"),
            "1 1 -1\n2 1 -1\n3 1 -1\n4 1 -2\n5 1 -1\n6 1 -1\n7 1 -1\n"
            "|1 ?1\n2 a?x\n3 b?-\n4 c?1\n5 {d}\n6 ?1x\n7 e?1k\n|1 t\n" + kNoName);
  // the echo leaves them out
  TempDir dir;
  WriteFile(dir / "in", "net n\ntr t : l a?-1 b -> c\n");
  ConvertNetFile(dir / "in", dir / "w", dir / "out", 1);
  EXPECT_EQ(ReadFile(dir / "out"), "parsed net n\n\n3 places, 1 transitions\n\nnet n\ntr t b -> c\n\n");
}

TEST(NetConstructs, MultipliersOfWeights) {
  EXPECT_EQ(Read("tr t a*6K b*2M c*-3K d*0K e*1Kx f*6k -> g*2147483K\n"),
            "1 1 -6000\n2 1 -2000000\n3 1 3000\n4 1 0\n5 1 -1000\n6 1 -6\n7 1 2147483000\n"
            "|1 a\n2 b\n3 c\n4 d\n5 e\n6 f\n7 g\n|1 t\n" + kNoName);
  ExpectRejected("tr t a*2147484K\n", "*** integer overflow\n", 5);
  ExpectRejected("tr t a*-2148M\n", "*** integer overflow\n", 5);
  ExpectRejected("pl p (2148M)\n", "*** integer overflow\n", 5);
  ExpectRejected("pl p (99999999999)\n", "*** integer overflow\n", 5);
}

TEST(NetConstructs, PriorityAndNoteLinesAreIgnored) {
  EXPECT_EQ(Read("pr t1 > t2\nnt note 1\ntr t a\n"), "1 1 -1\n|1 a\n|1 t\n" + kNoName);
  ExpectRejected("prx t\n", "*** unknown command: prx\n");
}

// The initial marking of each format, by place number; 0 where none was given.
TEST(Markings, OfAllThreeFormats) {
  const auto marking = [](const std::string& text) { return test::ConvertedSummary(text).marking; };
  using M = std::vector<int32_t>;
  EXPECT_EQ(marking("tr t q -> p\npl p (3)\npl r : l (2K)\npl q (1M) t\npl q (4)\n"), (M{4, 3, 2000}));
  // a marking word that is no count in parentheses gives 0 (the last word given wins)
  EXPECT_EQ(marking("pl a (x)\npl b (-1)\npl c (3\npl d (3)x\npl e (+2)\npl f ()\npl g (7)\npl g (2\n"),
            (M{0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(marking("tr t a\n"), (M{0}));
  EXPECT_EQ(marking(""), M{});
  // ".ndr": the word after the place's name
  EXPECT_EQ(marking("p 1 2 a 6K n\np 1 2 b x n\np 1 2 c\nt 1 2 t 5 n\np 1 2 d 3x\np 1 2 {e f} 12 w\n"),
            (M{6000, 0, 0, 0, 12}));
  ExpectRejected("p 1 2 a 3000000K n\n", "*** integer overflow\n", 5);
}

const std::string kNdr = "p 10 20 a 1 n\nt 30 20 b 0 w\n";

TEST(NdrReader, NodesArcsAndWeightWords) {
  EXPECT_EQ(Read(kNdr + "e a b 2 n\n"), "1 1 -2\n|1 a\n|1 b\n" + kNoName);
  // numeric words after the source are skipped; the weight is the second-to-last word, 0 when it
  // does not begin with a number; every arc line makes an arc
  EXPECT_EQ(Read(kNdr + "e a 0.5 30 b 3 n\ne a b 2\ne b 1 a ?x n\ne b a -3x y\nn 1 2 note\n#e a b 1 n\n"),
            "1 1 -3\n1 1 0\n1 1 0\n1 1 -3\n|1 a\n|1 b\n" + kNoName);
  EXPECT_EQ(Read("h n\nh {net 2} x\np 1 2 {a b} x\r\nt 1 2 t\ne {a b} t 9 z\n"), "1 1 -9\n|1 {a b}\n|1 t\n|parsed net {net 2}");
  EXPECT_EQ(Read("h n\npl 1 2 x\ntr 1 y\ne 2 y 1 n\n"), "1 1 -1\n|1 2\n|1 y\n|parsed net n");  // one letter decides
  // the walk back to the weight word reaches the line's start: the character after it is a
  // blank, so the weight is 0 ("e 5": an arc from place 5 to the transition with no name)
  EXPECT_EQ(Read("p 0 0 5\nt 0 0\ne 5\n"), "1 1 0\n|1 5\n|1 \n" + kNoName);
  EXPECT_EQ(Read("p 0 0 5\nt 0 0\ne\t\t5"), "1 1 0\n|1 5\n|1 \n" + kNoName);
  EXPECT_EQ(Read("p 0 0 5\nt 0 0\ne\t5 7"), "1 1 -5\n|1 5\n|1 \n" + kNoName);  // "5" is the weight word
}

TEST(NdrReader, MultipliersAndArcsThatMoveNoToken) {
  // "K" or "M" right after the digits and ending the word multiplies the weight
  EXPECT_EQ(Read(kNdr + "e a 0.3 29.1 b 0.6 29.1 6K w\ne b a 2M n\ne a b -3K n\ne a b 3Kx n\ne a b 6k n\n"),
            "1 1 -6000\n1 1 3000\n1 1 -3\n1 1 -6\n1 1 2000000\n|1 a\n|1 b\n" + kNoName);
  ExpectRejected(kNdr + "e a b 2147484K n\n", "*** integer overflow\n", 5);
  // test, inhibitor and stopwatch arcs make no arc; other words after "?" or "!" weigh 0 as before
  EXPECT_EQ(Read(kNdr + "e a 0.8 44.5 b 0.1 49.4 ?-1 n\ne a b ?2 n\ne b a !1 n\ne a b !-3K n\ne a b ?-1x n\ne a b ? n\n"),
            "1 1 0\n1 1 0\n|1 a\n|1 b\n" + kNoName);
  // the mark must follow the target: a source named "?1" is the second-to-last word here
  EXPECT_EQ(Read("p 0 0 ?1\nt 0 0 t\ne ?1 t\n"), "1 1 0\n|1 ?1\n|1 t\n" + kNoName);
  ExpectRejected(kNdr + "e a c ?-1 n\n", "*** unknown arc: a -> c\n");
}

TEST(NdrReader, Messages) {
  ExpectRejected(kNdr + "p 1 1 b\n", "*** duplicate name: b\n");
  ExpectRejected(kNdr + "t 1 1 b\n", "*** duplicate name: b\n");
  ExpectRejected(kNdr + "p 1 1 c\ne a c 1 n\n", "*** unknown arc: a -> c\n");
  ExpectRejected(kNdr + "t 1 1 c\ne b 1 2 c 1 n\n", "*** unknown arc: b -> c\n");
  ExpectRejected("p 1 2 a\ne a b 1 n\nt 1 2 b\n", "*** unknown arc: a -> b\n");
  ExpectRejected(kNdr + "e {x y} b 1 n\n", "*** unknown arc: {x y} -> b\n");
}

}  // namespace
}  // namespace pelorin
