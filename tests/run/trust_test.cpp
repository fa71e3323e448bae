// End to end: runs a batch pipeline can trust. Write failures end the run with their message and
// no result claimed; "-o" is delivered or the run fails; runs on one base in one directory wait
// for each other and all give the results they give alone; outputs that collide are refused
// before anything is written; links planted under work-file names are never written through; a
// missing input leaves an existing report alone.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <future>

#include "support/testutil.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;

const char* const kDemoNet = "net demo\ntr t1 p1 -> p2\ntr t2 p2*2 -> p1*2\n";

// A place fed by `k` transitions and emptied by `k` others: k * k T-semiflows from a small matrix.
std::string FanNet(int k) {
  std::string net = "net fan\n";
  for (int i = 1; i <= k; ++i) net += "tr a" + std::to_string(i) + " -> p\ntr b" + std::to_string(i) + " p ->\n";
  return net;
}

// A net whose runs take long enough to overlap: rings of places sharing transitions.
std::string RingsNet(int rings, int length) {
  std::string net = "net rings\n";
  for (int r = 0; r < rings; ++r)
    for (int i = 0; i < length; ++i) {
      const auto place = [&](int j) { return "p" + std::to_string(r) + "_" + std::to_string(j % length); };
      net += "tr t" + std::to_string(r) + "_" + std::to_string(i) + " " + place(i) + " " + place(i + r + 1) + " -> " +
             place(i + 1) + " " + place(i + r + 2) + "\n";
    }
  return net;
}

TEST(WriteFailures, AFullReportOrAFileSizeLimitEndsTheRun) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  test::RunResult r = RunPelorinBinary({"demo.net", "/dev/full"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "*** error write file /dev/full: No space left on device\n");
  r = RunPelorinBinary({"--json", "demo.net", "/dev/full"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "*** error write file /dev/full: No space left on device\n");

  // the solution file outgrows the limit; the report stays short of any result
  WriteFile(dir / "fan.net", FanNet(40));
  const std::string limit = "trap '' XFSZ && ulimit -f 8";
  for (std::vector<std::string> args : {std::vector<std::string>{"-T", "-q", "fan.net", "r"},
                                        {"-T", "-q", "-c", "fan.net", "r"},
                                        {"-T", "-q", "--minimal", "fan.net", "r"}}) {
    r = RunPelorinBinary(args, dir.path(), "", "", limit);
    EXPECT_EQ(r.exitCode, 2) << args[2];
    EXPECT_EQ(r.out, "*** error write file __fan.net.spmt.inv: File too large\n") << args[2];
    EXPECT_EQ(ReadFile(dir / "r").find("consistent"), std::string::npos) << args[2];
  }
}

TEST(ResultPath, DeliveredAcrossFileSystemsOrTheRunFails) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  const std::vector<std::string> kept = {"demo.net"};
  if (char shm[] = "/dev/shm/pelorin-XXXXXX"; fs::is_directory("/dev/shm") && mkdtemp(shm) != nullptr) {
    test::RunResult r = RunPelorinBinary({"-q", "-o", std::string(shm) + "/x.inv", "demo.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(std::string(shm) + "/x.inv"), "1 1 1\n1 2 1\n");
    EXPECT_EQ(test::ListFiles(shm), std::vector<std::string>{"x.inv"});  // no copy left beside it
    EXPECT_EQ(ListFiles(dir.path()), kept);
    fs::remove_all(shm);
  } else {
    GTEST_LOG_(INFO) << "no /dev/shm: the delivery to another file system is not tried";
  }
  fs::create_directory(dir / "d");
  struct Case {
    std::string path, reason;
  };
  for (const Case& c : {Case{"missing/x.inv", "No such file or directory"}, Case{"d", "Is a directory"},
                        Case{"demo.net/x.inv", "Not a directory"}}) {
    test::RunResult r = RunPelorinBinary({"-q", "-o", c.path, "demo.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 2) << c.path;
    EXPECT_EQ(r.out, "*** error write file " + c.path + ": " + c.reason + "\n");
  }
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"d", "demo.net"}));
  if (geteuid() != 0) {  // the superuser writes anywhere
    fs::permissions(dir / "d", fs::perms::owner_read | fs::perms::owner_exec);
    test::RunResult r = RunPelorinBinary({"-q", "-o", "d/x.inv", "demo.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "*** error write file d/x.inv: Permission denied\n");
    fs::permissions(dir / "d", fs::perms::owner_all);
  }
}

TEST(ParallelRuns, EightRunsOnOneNetGiveTheirResultsAlone) {
  TempDir dir;
  WriteFile(dir / "mix.net", RingsNet(4, 12));
  const std::vector<std::vector<std::string>> runs = {
      {"-P"}, {"-T"}, {"-P", "-c"}, {"-T", "-c"}, {"-P", "--minimal"}, {"-T", "--minimal"}, {"-P", "-c", "--minimal"},
      {"-T", "-c", "--minimal"}};
  auto run = [&](size_t i, const std::string& tag) {
    std::vector<std::string> args = runs[i];
    for (const std::string& word : {std::string("-o"), tag + std::to_string(i) + ".inv", std::string("mix.net"),
                                    tag + std::to_string(i) + ".txt"})
      args.push_back(word);
    return RunPelorinBinary(args, dir.path());
  };
  for (size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(run(i, "alone").exitCode, 0);
  std::vector<std::future<test::RunResult>> together;
  for (size_t i = 0; i < runs.size(); ++i) together.push_back(std::async(std::launch::async, run, i, "together"));
  for (size_t i = 0; i < runs.size(); ++i) {
    const test::RunResult r = together[i].get();
    EXPECT_EQ(r.exitCode, 0) << i << r.out;
    const std::string n = std::to_string(i);
    EXPECT_EQ(ReadFile(dir / ("together" + n + ".inv")), ReadFile(dir / ("alone" + n + ".inv"))) << i;
    EXPECT_EQ(MaskTime(ReadFile(dir / ("together" + n + ".txt"))), MaskTime(ReadFile(dir / ("alone" + n + ".txt"))));
  }
  EXPECT_EQ(ListFiles(dir.path()).size(), 1 + 4 * runs.size());  // no work file, no lock left
}

TEST(Collisions, OutputsThatMeetAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c :
       {Case{{"-o", "r.txt", "demo.net", "r.txt"}, "*** report r.txt and result file r.txt are the same file\n"},
        Case{{"-o", "./r.txt", "demo.net", "link"}, "*** report link and result file ./r.txt are the same file\n"},
        Case{{"-o", "__demo.net.nmp", "demo.net"}, "*** result file __demo.net.nmp is a work file of the run\n"},
        Case{{"demo.net", "__demo.net.nmp"}, "*** report __demo.net.nmp is a work file of the run\n"},
        Case{{"-T", "demo.net", "./__demo.net.spmt.inv"}, "*** report ./__demo.net.spmt.inv is a work file of the run\n"},
        Case{{"demo.net", "__demo.net.lock"}, "*** report __demo.net.lock is a work file of the run\n"},
        Case{{"-c", "demo.net", "__demo.net.spm.z3"}, "*** report __demo.net.spm.z3 is a work file of the run\n"},
        Case{{"-s", "-d", "1", "-o", "__demo.net.spm-i2", "demo.net"},
             "*** result file __demo.net.spm-i2 is a work file of the run\n"},
        Case{{"-w", "w/b", "demo.net", "w/../w/b.nmt"}, "*** report w/../w/b.nmt is a work file of the run\n"}}) {
    TempDir dir;
    WriteFile(dir / "demo.net", kDemoNet);
    WriteFile(dir / "r.txt", "old");
    fs::create_symlink("r.txt", dir / "link");
    fs::create_directory(dir / "w");
    const std::vector<std::string> before = ListFiles(dir.path());
    test::RunResult r = RunPelorinBinary(c.args, dir.path());
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_EQ(r.out, c.message);
    EXPECT_EQ(ListFiles(dir.path()), before) << c.message;
    EXPECT_EQ(ReadFile(dir / "r.txt"), "old");
  }
  TempDir dir;  // the solution file itself as the result path is no clash
  WriteFile(dir / "demo.net", kDemoNet);
  EXPECT_EQ(RunPelorinBinary({"-q", "-o", "__demo.net.spm.inv", "demo.net"}, dir.path()).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "__demo.net.spm.inv"), "1 1 1\n1 2 1\n");
}

TEST(PlantedLinks, AreReplacedNeverWrittenThrough) {
  for (const char* name : {"__demo.net.spm", "__demo.net.nmt", "__demo.net.spmt", "__demo.net.spmt.inv",
                                  "__demo.net.lock"}) {
    TempDir dir;
    WriteFile(dir / "demo.net", kDemoNet);
    WriteFile(dir / "precious.txt", "precious\n");
    fs::create_symlink("precious.txt", dir / name);
    test::RunResult r = RunPelorinBinary({"-q", "-T", "-d", "1", "demo.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << name << r.out;
    EXPECT_EQ(ReadFile(dir / "precious.txt"), "precious\n") << name;
    EXPECT_FALSE(fs::is_symlink(dir / name)) << name;
  }
  TempDir dir;  // another name of a file made under a work file's name
  WriteFile(dir / "demo.net", kDemoNet);
  WriteFile(dir / "precious.txt", "precious\n");
  fs::create_hard_link(dir / "precious.txt", dir / "__demo.net.nmp");
  EXPECT_EQ(RunPelorinBinary({"-q", "demo.net"}, dir.path()).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "precious.txt"), "precious\n");
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"demo.net", "precious.txt"}));
}

TEST(MissingInput, LeavesAnExistingReportAsItWas) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  for (std::vector<std::string> args : {std::vector<std::string>{"--jsno", "demo.net"}, {"missing.net", "demo.net"},
                                        {"--json", "missing.net", "demo.net"}}) {
    test::RunResult r = RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(args[0] == "--json" ? r.err : r.out, "*** error open file " + args[args.size() - 2] + "\n");
    EXPECT_EQ(ReadFile(dir / "demo.net"), kDemoNet);
  }
  EXPECT_EQ(ListFiles(dir.path()), std::vector<std::string>{"demo.net"});
}

}  // namespace
}  // namespace pelorin
