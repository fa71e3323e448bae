// The PNML reader through the net conversion: pages, references, markings, inscriptions, arcs
// that add up or move no token, the name rule, recognition, and every message with its exit code.
#include "net/pnml.h"

#include "net/readnet.h"
#include "net/convert.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// The conversion of a PNML text (see convert.h).
std::string Read(const std::string& text) {
  NetFormat format = NetFormat::kNet;
  const std::string converted = test::ConvertNet(text, &format);
  EXPECT_EQ(format, NetFormat::kPnml);
  return converted;
}

// A document with one net of id "n" around `body`, inside one page.
std::string Doc(const std::string& body, const std::string& netAttributes = R"(id="n" type="ptnet")") {
  return "<pnml><net " + netAttributes + "><page id=\"pg\">" + body + "</page></net></pnml>";
}

std::string Place(const std::string& id, const std::string& inside = "") {
  return "<place id=\"" + id + "\">" + inside + "</place>";
}
std::string Transition(const std::string& id, const std::string& inside = "") {
  return "<transition id=\"" + id + "\">" + inside + "</transition>";
}
std::string Arc(const std::string& id, const std::string& source, const std::string& target,
                const std::string& inside = "") {
  return "<arc id=\"" + id + "\" source=\"" + source + "\" target=\"" + target + "\">" + inside + "</arc>";
}
std::string Name(const std::string& text) { return "<name><text>" + text + "</text></name>"; }
std::string Weight(const std::string& text) { return "<inscription><text>" + text + "</text></inscription>"; }
std::string Marking(const std::string& text) { return "<initialMarking><text>" + text + "</text></initialMarking>"; }

// Places p, q and transition t.
const std::string kNodes = Place("p") + Place("q") + Transition("t");

void ExpectRejected(const std::string& text, const std::string& message, int code = 2) {
  test::ExpectNetRejected(text, message, code);
}

TEST(Pnml, NodesArcsWeightsAndMarkings) {
  // document order numbers places and transitions; no inscription weighs 1; markings are not kept
  EXPECT_EQ(Read(Doc(Transition("t") + Place("p", Marking("3")) + Arc("a", "p", "t") + Place("q", Marking(" 0\n")) +
                     Arc("b", "t", "q", Weight(" 7 ")) + Transition("u"))),
            "1 1 -1\n2 1 7\n|1 p\n2 q\n|1 t\n2 u\n|parsed net n");
  // several arcs of one direction add into the first; the other direction stays apart
  EXPECT_EQ(Read(Doc(kNodes + Arc("a", "p", "t", Weight("2")) + Arc("b", "q", "t") + Arc("c", "p", "t", Weight("+3")) +
                     Arc("d", "t", "p") + Arc("e", "t", "p", Weight("0")))),
            "1 1 -5\n2 1 -1\n1 1 1\n|1 p\n2 q\n|1 t\n|parsed net n");
  EXPECT_EQ(Read(Doc(Arc("a", "p", "t", Weight("2147483647")) + kNodes)), "1 1 -2147483647\n|1 p\n2 q\n|1 t\n|parsed net n");
  EXPECT_EQ(Read("<pnml><net id=\"e\"/></pnml>"), "|||parsed net e");
  // places go by the order the echo names them (inputs, then outputs, transition by transition),
  // places without arcs last; the arcs are grouped by transition in the same way
  EXPECT_EQ(Read(Doc(Place("lonely") + Place("c") + Place("b") + Place("a") + Transition("u") + Transition("t") +
                     Arc("1", "t", "c") + Arc("2", "a", "t") + Arc("3", "u", "b") + Arc("4", "c", "u") + Arc("5", "b", "t"))),
            "1 1 -1\n3 2 -1\n2 2 -1\n2 1 1\n1 2 1\n|1 c\n2 b\n3 a\n4 lonely\n|1 u\n2 t\n|parsed net n");
}

// Markings are kept by place number, and places are numbered in the order the echo names them.
TEST(Pnml, MarkingsFollowThePlaceNumbers) {
  TempDir dir;
  WriteFile(dir / "in", Doc(Place("a", Marking("5")) + Place("b") + Place("c", Marking("0")) + Place("d", Marking("7")) +
                            Transition("t") + Arc("1", "b", "t") + Arc("2", "t", "a") +
                            "<referencePlace id=\"r\" ref=\"d\"/>" + Arc("3", "t", "r")));
  EXPECT_EQ(ConvertNetFile(dir / "in", dir / "w", dir / "out", 0).marking, (std::vector<int32_t>{0, 5, 7, 0}));
  EXPECT_EQ(ReadFile(dir / "w.nmp"), "1 b\n2 a\n3 d\n4 c\n");
}

// The echo of a PNML net, read back as ".net", gives the same work files.
TEST(Pnml, EchoReadBackGivesTheSameFiles) {
  const std::string pnml =
      Doc(Place("q", Name("q 1")) + Place("p", Name("p")) + Transition("t", Name("t")) + Transition("u", Name("{u}")) +
          "<referencePlace id=\"r\" ref=\"q\"/>" + Arc("a", "t", "r", Weight("3")) + Arc("b", "p", "t") +
          Arc("c", "r", "u", Weight("2")) + Arc("d", "u", "p") + Arc("e", "p", "t", Weight("4")) + Arc("f", "p", "u") +
          R"(<arc id="g" source="q" target="t" type="inhibitor"/>)" + Arc("h", "u", "q"));
  TempDir dir;
  WriteFile(dir / "in.pnml", pnml);
  ConvertNetFile(dir / "in.pnml", dir / "a", dir / "out", 1);
  const std::string out = ReadFile(dir / "out");
  const std::string echo = out.substr(out.find("\nnet ") + 1);
  EXPECT_EQ(echo, "net n\ntr t p*5 -> {q 1}*3\ntr {{u\\}} {q 1}*2 p -> p {q 1}\n\n");
  WriteFile(dir / "in.net", echo);
  EXPECT_EQ(ConvertNetFile(dir / "in.net", dir / "b", dir / "out2", 1).format, NetFormat::kNet);
  for (const char* file : {".spm", ".nmp", ".nmt"}) EXPECT_EQ(ReadFile(dir / "a" + file), ReadFile(dir / "b" + file)) << file;
  EXPECT_EQ(ReadFile(dir / "out2"), out);
}

TEST(Pnml, PagesAndReferences) {
  // nested pages flatten; references stand for their node, through chains and from any page;
  // a document without pages, a prefixed namespace and ignored elements are read as well
  const std::string nested = "<page id=\"a\">" + Place("p") + "<page id=\"b\"><referencePlace id=\"r1\" ref=\"r2\"/>" +
                             Transition("t") + "</page><referencePlace id=\"r2\" ref=\"p\"/></page>" +
                             "<page id=\"c\"><referenceTransition id=\"rt\" ref=\"t\"/>" + Arc("x", "r1", "rt") +
                             Arc("y", "rt", "r2", Weight("2")) + "<graphics><text>7</text></graphics></page>";
  EXPECT_EQ(Read("<pnml><net id=\"n\">" + nested + "</net></pnml>"), "1 1 -1\n1 1 2\n|1 p\n|1 t\n|parsed net n");
  EXPECT_EQ(Read("<x:pnml xmlns:x=\"u\"><x:net x:id=\"n\"><x:place id=\"p\"/><x:transition id=\"t\"/>"
                 "<x:arc id=\"a\" source=\"p\" target=\"t\"/><toolspecific><place id=\"z\"/></toolspecific>"
                 "</x:net></x:pnml>"),
            "1 1 -1\n|1 p\n|1 t\n|parsed net n");
}

TEST(Pnml, ArcsThatMoveNoToken) {
  // inhibitor and read (test) arcs in the forms editors write are left out of the matrix
  EXPECT_EQ(Read(Doc(kNodes + Arc("a", "p", "t") + R"(<arc id="b" source="q" target="t" type="inhibitor"/>)" +
                     Arc("c", "q", "t", "<type value=\"read\"/>") + Arc("d", "q", "t", "<type><text>test</text></type>") +
                     Arc("e", "q", "t", "<type>Inhibitor</type>") + Arc("f", "t", "q", "<type value=\"normal\"/>") +
                     Arc("g", "q", "t", "<toolspecific tool=\"x\"><arcType>tapnInhibitor</arcType></toolspecific>") +
                     Arc("h", "q", "t", "<toolspecific tool=\"x\"><read/></toolspecific>") +
                     Arc("i", "q", "t", "<toolspecific tool=\"x\"><kind value=\"test_arc\"/></toolspecific>") +
                     Arc("j", "q", "t", "<toolspecific tool=\"x\"><note>a test of nothing</note></toolspecific>"))),
            "1 1 -1\n2 1 -1\n2 1 1\n|1 p\n2 q\n|1 t\n|parsed net n");
  // such an arc must still join a place and a transition
  ExpectRejected(Doc(kNodes + R"(<arc id="b" source="q" target="p" type="inhibitor"/>)"),
                 "*** PNML: arc b joins two places\n");
}

TEST(Pnml, NamesOrIds) {
  const std::string named = Place("p", Name("a b")) + Place("q", Name("x*y")) + Transition("t", Name("tr"));
  EXPECT_EQ(Read(Doc(named + Arc("a", "p", "t"))), "1 1 -1\n|1 {a b}\n2 {x*y}\n|1 tr\n|parsed net n");
  // one node without a name, two equal names (a place and a transition), a control character:
  // every node goes by its id
  EXPECT_EQ(Read(Doc(named + Transition("u"))), "|1 p\n2 q\n|1 t\n2 u\n|parsed net n");
  EXPECT_EQ(Read(Doc(named + Transition("u", Name("a b")))), "|1 p\n2 q\n|1 t\n2 u\n|parsed net n");
  EXPECT_EQ(Read(Doc(Place("p", Name("a&#9;b")) + Transition("t", Name("c")))), "|1 p\n|1 t\n|parsed net n");
  EXPECT_EQ(Read(Doc(Place("p", Name("")) + Transition("t", Name("->")) + Transition("u", Name("{c}\\")))),
            "|1 {}\n|1 {->}\n2 {{c\\}\\\\}\n|parsed net n");
  EXPECT_EQ(Read(Doc(Place("a b") + Transition("[t") + Transition("(u"))), "|1 {a b}\n|1 {[t}\n2 {(u}\n|parsed net n");
  // the net's name, else its id, else none
  EXPECT_EQ(Read("<pnml><net id=\"x\">" + Name("my net") + "</net></pnml>"), "|||parsed net {my net}");
  EXPECT_EQ(Read("<pnml><net id=\"x\">" + Name("two\nlines") + "</net></pnml>"), "|||parsed net x");
  EXPECT_EQ(Read("<pnml><net><page>" + Name("page name") + "</page></net></pnml>"), "|||parsed net noname");
}

TEST(Pnml, NetSyntaxNames) {
  EXPECT_EQ(NetSyntaxName("p1"), "p1");
  EXPECT_EQ(NetSyntaxName("a}b\\c"), "a}b\\c");  // plain names may hold braces and backslashes
  EXPECT_EQ(NetSyntaxName("{a}"), "{{a\\}}");
  EXPECT_EQ(NetSyntaxName("a\tb"), "{a\tb}");
  EXPECT_EQ(NetSyntaxName("]x"), "{]x}");
  EXPECT_EQ(NetSyntaxName("->x"), "{->x}");
  EXPECT_EQ(NetSyntaxName("x->"), "x->");
}

TEST(Pnml, Recognition) {
  EXPECT_EQ(RecognizeNetFormat("<pnml/>"), NetFormat::kPnml);
  EXPECT_EQ(RecognizeNetFormat("\xEF\xBB\xBF \r\n\t<?xml version=\"1.0\"?>"), NetFormat::kPnml);
  EXPECT_EQ(RecognizeNetFormat("# <pnml>\n"), NetFormat::kNet);
  EXPECT_EQ(RecognizeNetFormat("\xEF\xBB\xBFnet x\n"), NetFormat::kNet);
  EXPECT_EQ(RecognizeNetFormat("p 1 2 a\n"), NetFormat::kNdr);
  EXPECT_EQ(RecognizeNetFormat(" \n"), NetFormat::kNet);
  EXPECT_STREQ(NetFormatName(NetFormat::kPnml), "pnml");
  EXPECT_STREQ(NetFormatName(NetFormat::kNdr), "ndr");
  EXPECT_STREQ(NetFormatName(NetFormat::kNet), "net");
  // a byte-order mark and blanks before the declaration; the error line counts them
  EXPECT_EQ(Read("\xEF\xBB\xBF\r\n  <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + Doc(kNodes)), "|1 p\n2 q\n|1 t\n|parsed net n");
  ExpectRejected("\n\r\n \r<pnml>\n<net>\n</pnml>", "*** PNML: malformed XML at line 6: mismatched tag\n");
}

TEST(Pnml, DocumentMessages) {
  ExpectRejected("<pnml><net id=\"n\"><place id=\"p\"></net></pnml>", "*** PNML: malformed XML at line 1: mismatched tag\n");
  ExpectRejected("<pnml/>trailing", "*** PNML: malformed XML at line 1: junk after document element\n");
  ExpectRejected("<net id=\"n\"/>", "*** PNML: the document is no PNML (root element net)\n");
  ExpectRejected("<pnml></pnml>", "*** PNML: no net in the document\n");
  ExpectRejected("<pnml><net id=\"a\"/><net id=\"b\"/></pnml>", "*** PNML: more than one net in the document\n");
  const std::string coloured = "*** PNML: the net is coloured (symmetric or high-level); only place/transition nets are read\n";
  ExpectRejected(Doc("", R"(id="n" type="http://www.pnml.org/version-2009/grammar/symmetricnet")"), coloured);
  ExpectRejected(Doc("", R"(id="n" type="http://www.pnml.org/version-2009/grammar/highlevelnet")"), coloured);
  ExpectRejected(Doc("<declaration/>"), coloured);
  ExpectRejected(Doc(Place("p", "<type><text>Dot</text></type>")), coloured);
  ExpectRejected(Doc(Place("p", "<hlinitialMarking/>")), coloured);
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", "<hlinscription/>")), coloured);
  EXPECT_EQ(Read(Doc(kNodes, R"(id="n" type="http://www.pnml.org/version-2009/grammar/pnmlcoremodel")")),
            "|1 p\n2 q\n|1 t\n|parsed net n");
  ExpectRejected(Doc("", R"(id="n" type="http://example.org/timednet")"),
                 "*** PNML: unknown net type http://example.org/timednet; only place/transition nets (ptnet) are read\n");
}

TEST(Pnml, NodeAndReferenceMessages) {
  ExpectRejected(Doc("<place/>"), "*** PNML: place without id\n");
  ExpectRejected(Doc("<referenceTransition ref=\"t\"/>"), "*** PNML: referenceTransition without id\n");
  ExpectRejected(Doc(Place("p") + Transition("p")), "*** PNML: duplicate id p\n");
  ExpectRejected(Doc(Place("a&#10;b")), "*** PNML: control character in id a\nb\n");
  // arcs only label themselves: a repeated arc id is accepted
  EXPECT_EQ(Read(Doc(kNodes + Arc("a", "p", "t") + Arc("a", "q", "t"))), "1 1 -1\n2 1 -1\n|1 p\n2 q\n|1 t\n|parsed net n");
  ExpectRejected(Doc("<referencePlace id=\"r\"/>"), "*** PNML: reference r has no ref\n");
  ExpectRejected(Doc(kNodes + "<referencePlace id=\"r\" ref=\"s\"/>"), "*** PNML: reference r refers to the unknown node s\n");
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t") + "<referencePlace id=\"r\" ref=\"a\"/>"),
                 "*** PNML: reference r refers to the unknown node a\n");
  ExpectRejected(Doc("<referencePlace id=\"r\" ref=\"s\"/><referencePlace id=\"s\" ref=\"r\"/>"),
                 "*** PNML: reference r is part of a cycle of references\n");
  ExpectRejected(Doc(kNodes + "<referencePlace id=\"r\" ref=\"t\"/>"),
                 "*** PNML: reference place r does not stand for a place\n");
  ExpectRejected(Doc(kNodes + "<referencePlace id=\"r\" ref=\"p\"/><referenceTransition id=\"s\" ref=\"r\"/>"),
                 "*** PNML: reference transition s does not stand for a transition\n");
}

TEST(Pnml, ArcMessages) {
  ExpectRejected(Doc(kNodes + "<arc source=\"p\" target=\"t\"/>"), "*** PNML: arc without id\n");
  ExpectRejected(Doc(kNodes + "<arc id=\"a\" target=\"t\"/>"), "*** PNML: arc a has no source\n");
  ExpectRejected(Doc(kNodes + "<arc id=\"a\" source=\"p\"/>"), "*** PNML: arc a has no target\n");
  ExpectRejected(Doc(kNodes + Arc("a", "p", "x")), "*** PNML: arc a refers to the unknown node x\n");
  ExpectRejected(Doc(kNodes + Arc("a", "p", "q")), "*** PNML: arc a joins two places\n");
  ExpectRejected(Doc(kNodes + Transition("u") + Arc("a", "u", "t")), "*** PNML: arc a joins two transitions\n");
  const std::string reset = "*** PNML: arc a is a reset arc; reset arcs have no linear effect and are not read\n";
  ExpectRejected(Doc(kNodes + R"(<arc id="a" source="p" target="t" type="reset"/>)"), reset);
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", "<toolspecific tool=\"x\"><arcType>resetArc</arcType></toolspecific>")), reset);
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", "<type value=\"double\"/>")), "*** PNML: arc a has the unknown type double\n");
}

TEST(Pnml, NumberMessages) {
  const std::string marking = "*** PNML: the initial marking of place p is not a non-negative integer: ";
  ExpectRejected(Doc(Place("p", Marking("-1"))), marking + "-1\n");
  ExpectRejected(Doc(Place("p", Marking("two"))), marking + "two\n");
  ExpectRejected(Doc(Place("p", Marking("1 2"))), marking + "1 2\n");
  ExpectRejected(Doc(Place("p", Marking(""))), marking + "\n");
  const std::string weight = "*** PNML: the inscription of arc a is not a non-negative integer: ";
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", Weight("-2147483648"))), weight + "-2147483648\n");
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", Weight("2.5"))), weight + "2.5\n");
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", Weight("+"))), weight + "+\n");
  for (const char* big : {"2147483648", "-2147483649", "99999999999999999999"}) {
    ExpectRejected(Doc(Place("p", Marking(big))), "*** integer overflow\n", 5);
    ExpectRejected(Doc(kNodes + Arc("a", "p", "t", Weight(big))), "*** integer overflow\n", 5);
  }
  // weights that add up beyond 32 bits
  ExpectRejected(Doc(kNodes + Arc("a", "p", "t", Weight("2147483647")) + Arc("b", "p", "t")), "*** integer overflow\n", 5);
}

}  // namespace
}  // namespace pelorin
