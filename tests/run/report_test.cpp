// End to end: the built Pelorin on small nets; the report (time line masked), the exit code and
// the files left behind.
#include "run/cli.h"

#include <filesystem>

#include "support/testutil.h"

namespace pelorin {
namespace {

const char* const kDemoNet = "net demo\ntr t1 p1 -> p2\ntr t2 p2*2 -> p1*2\n";

const std::string kDemoHead =
    "Pelorin version 1.0.1alpha --- 06/25/05\n\n"
    "parsed net demo\n\n"
    "2 places, 2 transitions\n\n";
const std::string kDemoEcho = "net demo\ntr t1 p1 -> p2\ntr t2 p2*2 -> p1*2\n\n";
const std::string kTail = "TIME\n\nANALYSIS COMPLETED -----------------------------------------\n";
const std::string kPHeading = "P-SEMI-FLOWS GENERATING SET --------------------------------\n\n";
const std::string kTHeading = "T-SEMI-FLOWS GENERATING SET --------------------------------\n\n";

TEST(Report, FullAndDigestForPAndT) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  test::RunResult r = RunPelorinBinary({"demo.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(MaskTime(r.out), kDemoHead + kDemoEcho + kPHeading + "invariant\n\np1 p2 \n\n" + kTail);

  r = RunPelorinBinary({"-T", "demo.net"}, dir.path());
  EXPECT_EQ(MaskTime(r.out), kDemoHead + kDemoEcho + kTHeading + "consistent\n\nt1*2 t2 \n\n" + kTail);

  r = RunPelorinBinary({"-q", "-T", "demo.net"}, dir.path());
  EXPECT_EQ(MaskTime(r.out), kDemoHead + kTHeading + "consistent\n\n1 semiflow(s)\n\n" + kTail);
  EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{"demo.net"});  // level 0 removes all
}

TEST(Report, NoSemiflowsAndUncoveredPlaces) {
  TempDir dir;
  WriteFile(dir / "chain.net", "tr a -> p\ntr b p -> q\n");
  test::RunResult r = RunPelorinBinary({"chain.net", "-"}, dir.path());
  EXPECT_EQ(MaskTime(r.out),
            "Pelorin version 1.0.1alpha --- 06/25/05\n\nparsed net noname\n\n2 places, 2 transitions\n\n"
            "net noname\ntr a -> p\ntr b p -> q\n\n" +
                kPHeading + "not invariant\n\nno semiflows\n\n" + kTail);
  r = RunPelorinBinary({"-q", "-T", "chain.net"}, dir.path());
  EXPECT_NE(r.out.find("not consistent\n\n0 semiflow(s)\n\n"), std::string::npos);
}

TEST(Report, ReportFileIsReplacedAndMessagesGoToStandardOutput) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  WriteFile(dir / "report", "an older report\n");
  test::RunResult r = RunPelorinBinary({"-q", "demo.net", "report"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(MaskTime(ReadFile(dir / "report")), kDemoHead + kPHeading + "invariant\n\n1 semiflow(s)\n\n" + kTail);

  WriteFile(dir / "bad.net", "tr t a\nplace p\n");
  r = RunPelorinBinary({"bad.net", "report"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "*** unknown command: place\n");
  EXPECT_EQ(ReadFile(dir / "report"), "Pelorin version 1.0.1alpha --- 06/25/05\n\n");
}

TEST(Report, StandardInputPipe) {
  TempDir dir;
  test::RunResult r = RunPelorinBinary({"-q"}, dir.path(), kDemoNet);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(MaskTime(r.out), kDemoHead + kPHeading + "invariant\n\n1 semiflow(s)\n\n" + kTail);
  EXPECT_TRUE(ListFiles(dir.path()).empty());
  r = RunPelorinBinary({"-q", "-d", "1", "-"}, dir.path(), kDemoNet);
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"__-.nmp", "__-.nmt", "__-.spm", "__-.spm.inv"}));
}

TEST(WorkFiles, ResultPathAndDebugLevels) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  RunPelorinBinary({"-q", "-o", "result", "demo.net"}, dir.path());
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"demo.net", "result"}));
  EXPECT_EQ(ReadFile(dir / "result"), "1 1 1\n1 2 1\n");

  RunPelorinBinary({"-q", "-T", "-d", "1", "demo.net"}, dir.path());
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"__demo.net.nmp", "__demo.net.nmt", "__demo.net.spm",
                                                             "__demo.net.spmt", "__demo.net.spmt.inv", "demo.net",
                                                             "result"}));
  EXPECT_EQ(ReadFile(dir / "__demo.net.spm"), "1 1 -1\n2 2 -2\n2 1 1\n1 2 2\n");
  EXPECT_EQ(ReadFile(dir / "__demo.net.spmt"), "1 1 -1\n2 2 -2\n1 2 1\n2 1 2\n");
  EXPECT_EQ(ReadFile(dir / "__demo.net.spmt.inv"), "1 1 2\n1 2 1\n");
  EXPECT_EQ(ReadFile(dir / "__demo.net.nmt"), "1 t1\n2 t2\n");
}

TEST(WorkFiles, BaseWithDirectoryAndExplicitBase) {
  TempDir dir;
  std::filesystem::create_directory(dir / "nets");
  WriteFile(dir / "nets/demo.net", kDemoNet);
  test::RunResult r = RunPelorinBinary({"-q", "-d", "1", "nets/demo.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(test::Exists(dir / "nets/__demo.net.spm"));
  r = RunPelorinBinary({"-q", "-w", "w/x", "nets/demo.net"}, dir.path());  // no directory w
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find("*** error open file w/x.spm\n"), std::string::npos);
}

TEST(WorkFiles, TheInputIsNeverOverwritten) {
  TempDir dir;
  struct Case {
    std::vector<std::string> args;
    std::string input;
  };
  for (const Case& c : {Case{{"demo.net", "demo.net"}, "demo.net"},
                        Case{{"demo.net", "./demo.net"}, "demo.net"},
                        Case{{"-o", "demo.net", "demo.net"}, "demo.net"},
                        Case{{"-w", "x", "x.spm"}, "x.spm"},
                        Case{{"-T", "-w", "x", "x.spmt.inv"}, "x.spmt.inv"},
                        Case{{"-c", "-d", "2", "-w", "y", "y.spm.z"}, "y.spm.z"},
                        Case{{"-s", "-T", "-d", "1", "-w", "y", "y.spmt-s1"}, "y.spmt-s1"}}) {
    WriteFile(dir / c.input, kDemoNet);
    test::RunResult r = RunPelorinBinary(c.args, dir.path());
    EXPECT_EQ(r.exitCode, 2) << c.input;
    EXPECT_EQ(r.out, "*** output would overwrite input file " + c.input + "\n");
    EXPECT_EQ(ReadFile(dir / c.input), kDemoNet);
  }
  test::RunResult r = RunPelorinBinary({"-w", "demo", "demo.net"}, dir.path());  // demo.spm is no clash
  EXPECT_EQ(r.exitCode, 0);
}

// Other names of the input: hard and symbolic links named like work files, and standard input.
TEST(WorkFiles, LinksAndStandardInputAreTheInputToo) {
  namespace fs = std::filesystem;
  struct Case {
    std::vector<std::string> args;
    std::string link;  // made as a hard link ("=name") or a symbolic link ("~name") to d.net
  };
  for (const Case& c : {Case{{"-c", "-d", "2", "d.net"}, "=__d.net.spm.z1"},
                        Case{{"-c", "-d", "3", "d.net"}, "~__d.net.spm.z1"},
                        Case{{"-d", "1", "-c", "d.net"}, "=__d.net.spm-s1"},
                        Case{{"-s", "-d", "1", "d.net"}, "~__d.net.spm-z12"},
                        Case{{"-T", "-s", "-d", "2", "d.net"}, "=__d.net.spmt.x3"}, Case{{"d.net", "r"}, "~r"}}) {
    TempDir dir;
    WriteFile(dir / "d.net", kDemoNet);
    const std::string link = dir / c.link.substr(1);
    if (c.link[0] == '=') fs::create_hard_link(dir / "d.net", link);
    else fs::create_symlink("d.net", link);
    test::RunResult r = RunPelorinBinary(c.args, dir.path());
    EXPECT_EQ(r.exitCode, 2) << c.link;
    EXPECT_EQ(r.out, "*** output would overwrite input file d.net\n") << c.link;
    EXPECT_EQ(ReadFile(dir / "d.net"), kDemoNet);
  }
  TempDir dir;
  WriteFile(dir / "a.net", kDemoNet);
  for (std::vector<std::string> args : {std::vector<std::string>{"-", "a.net"}, {"-o", "a.net"}}) {
    test::RunResult r = RunPelorinBinary(args, dir.path(), "", dir / "a.net");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "*** output would overwrite input file -\n");
    EXPECT_EQ(ReadFile(dir / "a.net"), kDemoNet);
  }
}

// Only the files that the run writes are refused; a missing input is an open error.
TEST(WorkFiles, NamesTheRunDoesNotWriteAreNoClash) {
  TempDir dir;
  // below debug level 2 the composition chain writes none of its work files
  for (const char* name : {"a.spmt", "n.spm.net", "m.spm.x1", "s.spm-s1", "k.spm.z1"}) WriteFile(dir / name, kDemoNet);
  for (std::vector<std::string> args :
       {std::vector<std::string>{"-q", "-w", "a", "a.spmt"}, {"-q", "-c", "-d", "2", "-w", "n", "n.spm.net"},
        {"-q", "-c", "-d", "2", "-w", "m", "m.spm.x1"}, {"-q", "-s", "-w", "s", "s.spm-s1"},
        {"-q", "-c", "-d", "1", "-w", "k", "k.spm.z1"}}) {
    test::RunResult r = RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 0) << args.back() << r.out;
  }
  test::RunResult r = RunPelorinBinary({"-w", "x", "x.spm"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, std::string(kBanner) + "*** error open file x.spm\n");
}

}  // namespace
}  // namespace pelorin
