// End to end: runs a batch pipeline can trust. Write failures (a full disk, a file-size limit,
// a closed standard stream) end the run with their message and no result claimed, and at debug
// level 0 with no work file left; "-o" is delivered or the run fails, into devices and FIFOs,
// through links, never over a directory or socket, and a temporary left by a killed delivery is
// removed by the next; runs on one base in one directory wait for each other and all give the
// results they give alone, and a lock that cannot be held stops them; outputs that collide are
// refused before anything is written; links planted under work-file names are never written
// through; a failure known before the run leaves an existing report alone.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <future>
#include <regex>

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

// Runs the built Pelorin in `dir` with `args` and the shell's `redirections` in place of the usual
// ones (">&-" closes standard output); returns the exit code.
int RunRedirected(const std::vector<std::string>& args, const std::string& dir, const std::string& redirections) {
  std::string command = "cd '" + dir + "' && '" PELORIN_BINARY "'";
  for (const std::string& word : args) command += " '" + word + "'";
  const int status = std::system((command + " " + redirections).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A socket bound under `path`, open while the result lives.
struct BoundSocket {
  explicit BoundSocket(const std::string& path) : fd(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
  }
  ~BoundSocket() { close(fd); }
  int fd;
};

mode_t KindOf(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
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

  // the solution file outgrows the limit; the report stays short of any result, and no work file
  // is left
  WriteFile(dir / "fan.net", FanNet(40));
  const std::string limit = "ulimit -f 8";
  for (std::vector<std::string> args : {std::vector<std::string>{"-T", "-q", "fan.net", "r"},
                                        {"-T", "-q", "-c", "fan.net", "r"},
                                        {"-T", "-q", "--minimal", "fan.net", "r"}}) {
    r = RunPelorinBinary(args, dir.path(), "", "", limit);
    EXPECT_EQ(r.exitCode, 2) << args[2];
    EXPECT_EQ(r.out, "*** error write file __fan.net.spmt.inv: File too large\n") << args[2];
    EXPECT_EQ(ReadFile(dir / "r").find("consistent"), std::string::npos) << args[2];
    EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"demo.net", "fan.net", "r"})) << args[2];
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
  const BoundSocket socket(dir / "sock");
  fs::create_symlink("loop", dir / "loop");
  struct Case {
    std::string path, reason;
  };
  for (const Case& c : {Case{"missing/x.inv", "No such file or directory"}, Case{"d", "Is a directory"},
                        Case{"demo.net/x.inv", "Not a directory"}, Case{"sock", "No such device or address"},
                        Case{"loop", "Too many levels of symbolic links"}}) {
    test::RunResult r = RunPelorinBinary({"-q", "-o", c.path, "demo.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 2) << c.path;
    EXPECT_EQ(r.out, "*** error write file " + c.path + ": " + c.reason + "\n");
  }
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"d", "demo.net", "loop", "sock"}));
  if (geteuid() != 0) {  // the superuser writes anywhere
    fs::permissions(dir / "d", fs::perms::owner_read | fs::perms::owner_exec);
    test::RunResult r = RunPelorinBinary({"-q", "-o", "d/x.inv", "demo.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "*** error write file d/x.inv: Permission denied\n");
    fs::permissions(dir / "d", fs::perms::owner_all);
  }
}

// "-o" onto what is no plain file: devices and FIFOs are written into, links followed to the file
// they name (made when missing), which is replaced in its own directory; a directory, a socket or
// a loop of links is refused before the run.
TEST(ResultPath, DevicesAndFifosAreWrittenIntoLinksFollowed) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  WriteFile(dir / "target", "KEEP\n");
  fs::create_directory(dir / "sub");
  fs::create_symlink("target", dir / "lnk");
  fs::create_symlink("sub/deep", dir / "far");
  fs::create_symlink("made.inv", dir / "sub/deep");  // relative to the link's own directory
  fs::create_symlink("/proc/self/fd/1", dir / "out");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  // the superuser could replace the system's /dev/null: a node of its own stands in for it then
  const std::string null = geteuid() == 0 ? dir / "nul" : "/dev/null";
  if (geteuid() == 0) {
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  }
  const int fifo = open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  const std::string solution = "1 1 1\n1 2 1\n";
  for (const std::string& path : {std::string("lnk"), std::string("far"), null, std::string("fifo")}) {
    test::RunResult r = RunPelorinBinary({"-q", "-o", path, "demo.net", "rep"}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << path << r.out;
  }
  EXPECT_EQ(ReadFile(dir / "target"), solution);
  EXPECT_EQ(ReadFile(dir / "sub/made.inv"), solution);
  char got[64] = {};
  EXPECT_EQ(read(fifo, got, sizeof got), static_cast<ssize_t>(solution.size()));
  EXPECT_EQ(got, solution);
  close(fifo);
  for (const char* link : {"lnk", "far", "sub/deep", "out"}) EXPECT_EQ(KindOf(dir / link), S_IFLNK) << link;
  EXPECT_EQ(KindOf(dir / "fifo"), S_IFIFO);
  EXPECT_EQ(KindOf(null), S_IFCHR);
  // standard output on a file: the solution joins the report there, before the time line
  test::RunResult r = RunPelorinBinary({"-q", "-o", "out", "demo.net"}, dir.path());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("1 semiflow(s)\n\n" + solution), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("ANALYSIS COMPLETED -----------------------------------------\n")) << r.out;
  std::vector<std::string> kept = {"demo.net", "far", "fifo", "lnk", "out", "rep", "sub", "target"};
  if (geteuid() == 0) kept.insert(kept.begin() + 4, "nul");
  EXPECT_EQ(ListFiles(dir.path()), kept);
}

// A delivery killed during its copy to another file system leaves its temporary file; the next
// delivery into the directory removes it, and every temporary whose writer still holds it stays.
TEST(ResultPath, ATemporaryLeftByAKilledDeliveryIsRemovedByTheNext) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  const std::regex temporary(R"(x\.inv\.pelorin-[0-9]+-......)");
  WriteFile(dir / "x.inv.pelorin-999999-AbCdEf", "1 1\n");  // its writer is gone
  WriteFile(dir / "x.inv.pelorin-1-Locked", "1 1\n");
  WriteFile(dir / "x.inv.pelorin-notes", "mine\n");
  const int held = open((dir / "x.inv.pelorin-1-Locked").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  EXPECT_EQ(RunPelorinBinary({"-q", "-o", "x.inv", "demo.net"}, dir.path()).exitCode, 0);
  EXPECT_EQ(ListFiles(dir.path()),
            (std::vector<std::string>{"demo.net", "x.inv", "x.inv.pelorin-1-Locked", "x.inv.pelorin-notes"}));
  close(held);

  char shm[] = "/dev/shm/pelorin-XXXXXX";
  struct stat here {}, there {};
  if (!fs::is_directory("/dev/shm") || mkdtemp(shm) == nullptr || stat(shm, &there) != 0 ||
      stat(dir.path().c_str(), &here) != 0 || here.st_dev == there.st_dev)
    GTEST_SKIP() << "no other file system at /dev/shm: a delivery by copy is not killed";
  const std::string target = std::string(shm) + "/x.inv";
  const std::string killAtSync = "export LD_PRELOAD='" PELORIN_FAULTINJECT "' PELORIN_FAULT=fsync PELORIN_FAULT_AT=1 "
                                 "PELORIN_FAULT_KILL=1 ASAN_OPTIONS=verify_asan_link_order=0";
  test::RunResult r = RunPelorinBinary({"-q", "-o", target, "demo.net"}, dir.path(), "", "", killAtSync);
  const std::vector<std::string> left = ListFiles(shm);
  if (r.exitCode != 128 + SIGKILL) {
    fs::remove_all(shm);
    GTEST_SKIP() << "the fault library cannot be preloaded here: " << r.out << r.err;
  }
  EXPECT_TRUE(left.size() == 1 && std::regex_match(left[0], temporary)) << testing::PrintToString(left);
  EXPECT_EQ(RunPelorinBinary({"-q", "-o", target, "demo.net"}, dir.path()).exitCode, 0);
  EXPECT_EQ(ListFiles(shm), std::vector<std::string>{"x.inv"});
  EXPECT_EQ(ReadFile(target), "1 1 1\n1 2 1\n");
  fs::remove_all(shm);
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

// A lock that cannot be held (a directory stands under its name) stops every run on the base
// before anything is written: six nets at once on one base never mix their work files.
TEST(ParallelRuns, ALockThatCannotBeHeldStopsEveryRun) {
  TempDir dir;
  fs::create_directories(dir / "G/W.lock");
  const std::vector<std::string> nets = {RingsNet(2, 6), RingsNet(3, 5), RingsNet(4, 4), FanNet(3), FanNet(5), kDemoNet};
  std::vector<std::future<test::RunResult>> runs;
  for (size_t i = 0; i < nets.size(); ++i) {
    const std::string n = "n" + std::to_string(i);
    WriteFile(dir / (n + ".net"), nets[i]);
    WriteFile(dir / (n + ".txt"), "old\n");
    runs.push_back(std::async(std::launch::async, [&, n] {
      return RunPelorinBinary({"-q", "-w", "G/W", "-o", "G/" + n + ".inv", n + ".net", n + ".txt"}, dir.path());
    }));
  }
  for (size_t i = 0; i < nets.size(); ++i) {
    const test::RunResult r = runs[i].get();
    EXPECT_EQ(r.exitCode, 2) << i;
    EXPECT_EQ(r.out, "*** error lock file G/W.lock: Is a directory\n") << i;
    EXPECT_EQ(ReadFile(dir / ("n" + std::to_string(i) + ".txt")), "old\n") << i;
  }
  EXPECT_EQ(ListFiles(dir / "G"), std::vector<std::string>{"W.lock"});
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
    EXPECT_EQ(c.args[0] == "--json" ? r.err : r.out, c.message);
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

// What can be known before the run (an input that cannot be read, a work-file base in no
// writable directory, a result path that cannot be taken) ends it before the report is touched.
TEST(EarlyFailures, LeaveAnExistingReportAsItWas) {
  TempDir dir;
  WriteFile(dir / "demo.net", kDemoNet);
  WriteFile(dir / "keep.txt", "keep\n");
  fs::create_directory(dir / "adir");
  fs::create_directory(dir / "ro");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  std::vector<Case> cases = {
      {{"--jsno", "demo.net"}, "*** error open file --jsno\n"},
      {{"missing.net", "keep.txt"}, "*** error open file missing.net\n"},
      {{"--json", "missing.net", "keep.txt"}, "*** error open file missing.net\n"},
      {{"adir", "keep.txt"}, "*** error open file adir\n"},
      {{"demo.net", "keep.txt", "-w", "nodir/W"}, "*** error open file nodir/W.spm\n"},
      {{"demo.net", "keep.txt", "-o", "adir"}, "*** error write file adir: Is a directory\n"}};
  if (geteuid() != 0) {  // the superuser writes anywhere
    WriteFile(dir / "ro/demo.net", kDemoNet);
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    cases.push_back({{"ro/demo.net", "keep.txt"}, "*** error open file ro/__demo.net.spm\n"});
  }
  for (const Case& c : cases) {
    test::RunResult r = RunPelorinBinary(c.args, dir.path());
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_EQ(c.args[0] == "--json" ? r.err : r.out, c.message);
    EXPECT_EQ(ReadFile(dir / "demo.net"), kDemoNet);
    EXPECT_EQ(ReadFile(dir / "keep.txt"), "keep\n") << c.message;
  }
  fs::permissions(dir / "ro", fs::perms::owner_all);
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"adir", "demo.net", "keep.txt", "ro"}));
}

// A closed standard stream is not lent to a file of the run: a report to a closed standard
// output and a net read from a closed standard input are failures, and the report never lands in
// a work file.
TEST(ClosedStreams, AreFailuresNotFiles) {
  TempDir dir, io;
  WriteFile(dir / "demo.net", kDemoNet);
  EXPECT_EQ(RunRedirected({"demo.net", "-w", "W"}, dir.path(), ">&- 2>" + io / "err"), 2);
  EXPECT_EQ(ReadFile(io / "err"), "*** error write file standard output: Bad file descriptor\n");
  WriteFile(dir / "rep", "old\n");
  EXPECT_EQ(RunRedirected({"-q", "-", "rep", "-w", "W"}, dir.path(), "<&- >" + io / "out"), 2);
  EXPECT_EQ(ReadFile(io / "out"), "*** wrong input file\n");
  EXPECT_EQ(ReadFile(dir / "rep"), "old\n");
  EXPECT_EQ(RunRedirected({"-h"}, dir.path(), ">&- 2>/dev/null"), 2);  // even the help text
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"demo.net", "rep"}));
}

// A failed run at debug level 0 removes the work files it wrote, wherever its base lies; files of
// those names that it did not write stay untouched; the debug levels keep theirs.
TEST(FailedRuns, AtLevelZeroLeaveNoWorkFileOfTheirOwn) {
  TempDir dir;
  fs::create_directory(dir / "w");
  WriteFile(dir / "bad.net", "net bad\ntr t1 p1 -> p2\nnonsense\n");
  WriteFile(dir / "__bad.net.spm.inv", "earlier\n");
  EXPECT_EQ(RunPelorinBinary({"-q", "bad.net"}, dir.path()).exitCode, 2);
  WriteFile(dir / "w/b.spm", "earlier\n");  // emptied by the run: its own now
  for (std::vector<std::string> args :
       {std::vector<std::string>{"-q", "-T", "-w", "w/b", "bad.net"}, {"--json", "-w", "w/b", "bad.net"}}) {
    EXPECT_EQ(RunPelorinBinary(args, dir.path()).exitCode, 2) << args[1];
    EXPECT_TRUE(ListFiles(dir / "w").empty()) << args[1];
  }
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"__bad.net.spm.inv", "bad.net", "w"}));
  EXPECT_EQ(ReadFile(dir / "__bad.net.spm.inv"), "earlier\n");
  EXPECT_EQ(RunPelorinBinary({"-q", "-d", "1", "bad.net"}, dir.path()).exitCode, 2);
  EXPECT_TRUE(Exists(dir / "__bad.net.spm"));
}

}  // namespace
}  // namespace pelorin
