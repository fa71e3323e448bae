// The command line: the scan's order of tests, pending arguments, help and errors.
#include "run/cli.h"

#include "support/testutil.h"

namespace pelorin {
namespace {

RunSettings Scan(std::vector<std::string> words) { return ScanCommandLine(words); }

TEST(ScanCommandLine, DefaultsAndLastFlagWins) {
  RunSettings s = Scan({});
  EXPECT_EQ(s.input, "-");
  EXPECT_EQ(s.output, "-");
  EXPECT_TRUE(s.full);
  EXPECT_FALSE(s.transitions);
  EXPECT_EQ(s.mode, 0);
  EXPECT_EQ(s.debug, 0);
  EXPECT_FALSE(s.baseGiven);

  s = Scan({"-P", "-T", "-c", "-s", "-q", "in", "-v", "out"});
  EXPECT_TRUE(s.transitions);
  EXPECT_EQ(s.mode, 2);
  EXPECT_TRUE(s.full);
  EXPECT_EQ(s.input, "in");
  EXPECT_EQ(s.output, "out");
  EXPECT_FALSE(Scan({"-T", "-P"}).transitions);
  EXPECT_EQ(Scan({"-x"}).input, "-x");  // no option: a file name
}

TEST(ScanCommandLine, ArgumentsWaitBehindFlagsAndStackUp) {
  RunSettings s = Scan({"-w", "-q", "x", "y"});
  EXPECT_FALSE(s.full);
  EXPECT_EQ(s.base, "x");
  EXPECT_EQ(s.input, "y");

  s = Scan({"-w", "-d", "3", "y"});  // "-d" is the base while a base is awaited
  EXPECT_EQ(s.base, "-d");
  EXPECT_EQ(s.input, "3");
  EXPECT_EQ(s.output, "y");

  s = Scan({"-d", "-o", "in"});  // "-o" is the level while a level is awaited
  EXPECT_EQ(s.debug, 0);
  EXPECT_FALSE(s.pathGiven);
  EXPECT_EQ(s.input, "in");

  s = Scan({"-o", "-d", "3", "r", "n"});
  EXPECT_EQ(s.debug, 3);
  EXPECT_EQ(s.resultPath, "r");
  EXPECT_EQ(s.input, "n");

  s = Scan({"-w", "-w", "a", "b", "c"});
  EXPECT_EQ(s.base, "b");
  EXPECT_EQ(s.input, "c");
}

TEST(ScanCommandLine, DebugLevelConversion) {
  EXPECT_EQ(Scan({"-d", "12abc"}).debug, 12);
  EXPECT_EQ(Scan({"-d", " \t-1"}).debug, -1);
  EXPECT_EQ(Scan({"-d", "+7"}).debug, 7);
  EXPECT_EQ(Scan({"-d", "abc"}).debug, 0);
  EXPECT_EQ(Scan({"-d", "--1"}).debug, 0);
}

TEST(ScanCommandLine, Errors) {
  ExpectFail(4, "*** unknown option: c\n", [] { Scan({"a", "b", "c"}); });
  ExpectFail(4, "*** missing argument for -d\n", [] { Scan({"a", "-d"}); });
  EXPECT_EQ(ExpectFailure([] { Scan({"-o", "-q", "-P"}); }).message, "*** missing argument for -o\n");
  EXPECT_EQ(ExpectFailure([] { Scan({"-w", "b", "-o", "p", "-d"}); }).message, "*** missing argument for -d\n");
  EXPECT_EQ(ExpectFailure([] { Scan({"-o", "-d"}); }).message, "*** missing argument for -d\n");
}

TEST(ScanCommandLine, HelpWinsWhereverItComes) {
  EXPECT_TRUE(Scan({"-h"}).help);
  EXPECT_TRUE(Scan({"-q", "a", "-help", "b", "c", "d"}).help);
  EXPECT_TRUE(Scan({"-w", "-h"}).help);
  EXPECT_TRUE(Scan({"-d", "99999999999", "-h"}).help);  // a level out of range waits for help
  EXPECT_TRUE(Scan({"-d", "99999999999", "a", "b", "-help", "c"}).help);
}

TEST(ScanCommandLine, LevelOutOfRangeFailsWhereTheScanWouldFailOrEnd) {
  ExpectFail(5, "*** integer overflow\n", [] { Scan({"-d", "99999999999", "a"}); });
  EXPECT_EQ(ExpectFailure([] { Scan({"-d", "99999999999", "a", "b", "c"}); }).code, 5);
  EXPECT_EQ(ExpectFailure([] { Scan({"-d", "99999999999", "-o"}); }).code, 5);
  EXPECT_EQ(ExpectFailure([] { Scan({"a", "b", "c", "-d", "99999999999"}); }).code, 4);  // the earlier fault
}

TEST(ScanCommandLine, ExtensionsAreLongOptionsAndOtherLongWordsAreNames) {
  RunSettings s = Scan({"--minimal", "in", "--json", "--memory=2G"});
  EXPECT_TRUE(s.minimal);
  EXPECT_TRUE(s.json);
  EXPECT_EQ(s.memory, "2G");
  EXPECT_EQ(s.input, "in");
  s = Scan({"--jsonx", "--memory"});  // no extensions: the input and the output
  EXPECT_FALSE(s.json);
  EXPECT_EQ(s.input, "--jsonx");
  EXPECT_EQ(s.output, "--memory");
  s = Scan({"-w", "--minimal", "b"});  // like a flag, an extension is no awaited argument
  EXPECT_TRUE(s.minimal);
  EXPECT_EQ(s.base, "b");
  s = Scan({"-q", "--help", "a", "b", "c"});
  EXPECT_TRUE(s.help);
  EXPECT_TRUE(s.extensionHelp);
  EXPECT_FALSE(Scan({"-help"}).extensionHelp);
}

TEST(DefaultBase, KeepsTheDirectory) {
  EXPECT_EQ(DefaultBase("a.net"), "__a.net");
  EXPECT_EQ(DefaultBase("nets/a.ndr"), "nets/__a.ndr");
  EXPECT_EQ(DefaultBase("/x/y/z.net"), "/x/y/__z.net");
  EXPECT_EQ(DefaultBase("-"), "__-");
}

TEST(CommandLine, HelpTextAndFailuresOfTheProgram) {
  TempDir dir;
  for (std::vector<std::string> args :
       {std::vector<std::string>{"-h"}, {"-v", "-help"}, {"-d", "-h"}, {"-d", "99999999999", "-h"}}) {
    test::RunResult r = RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHelpText);
  }
  test::RunResult r = RunPelorinBinary({"--help"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, std::string(kHelpText) + kExtensionHelpText);
  r = RunPelorinBinary({"in", "out", "third"}, dir.path());
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.out, "*** unknown option: third\n");
  r = RunPelorinBinary({"in", "out", "-d"}, dir.path());
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.out, "*** missing argument for -d\n");
  EXPECT_TRUE(test::ListFiles(dir.path()).empty());  // nothing written

  r = RunPelorinBinary({"-x"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, std::string(kBanner) + "*** error open file -x\n");
}

}  // namespace
}  // namespace pelorin
