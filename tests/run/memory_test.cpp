// The memory limit: the size on the command line, the default under a control group's limit, and
// runs of the built Pelorin that exhaust it.
#include "run/memory.h"

#include <algorithm>
#include <filesystem>

#include "run/cgroup.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

TEST(MemoryLimit, SizesWithAndWithoutUnit) {
  EXPECT_EQ(MemoryLimit("4096"), 4096u);
  EXPECT_EQ(MemoryLimit("3K"), 3u << 10);
  EXPECT_EQ(MemoryLimit("64M"), 64u << 20);
  EXPECT_EQ(MemoryLimit("2g"), uint64_t{2} << 30);
  EXPECT_GT(MemoryLimit(""), 0u);  // half of the physical memory
}

// A control group's limit, in a tree of the files a system holds: its own and those above it
// limit the default, less the margin left to the rest of the group.
TEST(MemoryLimit, TheDefaultStaysUnderTheControlGroupsLimit) {
  const uint64_t half = DefaultMemoryLimit("/nonexistent");  // no control group: half of the memory
  EXPECT_GT(half, 0u);
  TempDir root;
  std::filesystem::create_directories(root / "proc/self");
  std::filesystem::create_directories(root / "sys/fs/cgroup/job/step");
  const auto groups = [&](const std::string& cgroup, const std::string& mountinfo) {
    WriteFile(root / "proc/self/cgroup", cgroup);
    WriteFile(root / "proc/self/mountinfo", mountinfo);
  };
  // v2: the group above the process's is the tighter
  groups("0::/job/step\n", "30 1 0:26 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n");
  WriteFile(root / "sys/fs/cgroup/job/step/memory.max", "max\n");
  WriteFile(root / "sys/fs/cgroup/job/memory.max", "1073741824\n");
  EXPECT_EQ(ControlGroupLimit(root.path()), uint64_t{1} << 30);
  EXPECT_EQ(DefaultMemoryLimit(root.path()), std::min(half, uint64_t{896} << 20));  // an eighth left
  WriteFile(root / "sys/fs/cgroup/job/step/memory.max", "67108864\n");
  EXPECT_EQ(DefaultMemoryLimit(root.path()), std::min(half, uint64_t{32} << 20));  // at most half left
  // v1 beside a v2 hierarchy without memory, mounted with a blank in its name and showing the
  // group's part of the tree only
  groups("5:cpu:/x\n4:memory,hugetlb:/box/inner\n0::/job/step\n",
         "30 1 0:26 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n"
         "36 32 0:33 /box /mnt/my\\040mem rw,relatime shared:9 - cgroup cgroup rw,memory,hugetlb\n");
  std::filesystem::create_directories(root / "mnt/my mem/inner");
  WriteFile(root / "mnt/my mem/inner/memory.limit_in_bytes", "536870912\n");
  WriteFile(root / "mnt/my mem/memory.limit_in_bytes", "9223372036854771712\n");  // none
  EXPECT_EQ(ControlGroupLimit(root.path()), uint64_t{1} << 29);
  WriteFile(root / "mnt/my mem/inner/memory.limit_in_bytes", "9223372036854771712\n");
  EXPECT_EQ(ControlGroupLimit(root.path()), std::nullopt);
  EXPECT_EQ(DefaultMemoryLimit(root.path()), half);
}

TEST(MemoryLimit, MalformedSizesEndTheRun) {
  for (const char* text : {"M", "12Q", "1.5G", "-3", "0", "12MB", " 12", "99999999999999999999", "17179869184G"}) {
    const Failure f = ExpectFailure([&] { MemoryLimit(text); });
    EXPECT_EQ(f.code, 4) << text;
    EXPECT_EQ(f.message, std::string("*** malformed memory size: ") + text + "\n");
  }
  const test::RunResult r = RunPelorinBinary({"--memory=12X", "n.net"}, TempDir().path());
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.out, "*** malformed memory size: 12X\n");
}

#if defined(__SANITIZE_ADDRESS__)
#define PELORIN_NO_CAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELORIN_NO_CAP 1
#endif
#endif

// A cycle of k diamonds: every T-semiflow takes one of the two ways through each diamond, 2^k in
// all, so that the solution needs far more memory than a small cap allows.
std::string Diamonds(int k) {
  std::string net = "net diamonds\n";
  for (int i = 0; i < k; ++i) {
    const std::string s = "s" + std::to_string(i), next = "s" + std::to_string((i + 1) % k), n = std::to_string(i);
    net += "tr a" + n + " " + s + " -> x" + n + "\ntr c" + n + " x" + n + " -> " + next + "\n";
    net += "tr b" + n + " " + s + " -> y" + n + "\ntr d" + n + " y" + n + " -> " + next + "\n";
  }
  return net;
}

// The run ends with a stage's memory message and exit code 1, and the work files stay as after
// any failure: none at level 0; from level 1 main's files, and those of the driver that the
// debug level keeps. Below level 2 the composition chain keeps no work file, only (at level 1)
// the copies of the steps done; the solver of direct mode has created the solution file before
// it starts.
TEST(MemoryLimit, ExhaustedMemoryEndsTheRunWithTheStagesMessage) {
#ifdef PELORIN_NO_CAP
  GTEST_SKIP() << "address-sanitizer builds run without the cap";
#endif
  const std::vector<std::string> mainFiles = {"n.net", "report", "w.nmp", "w.nmt", "w.spm", "w.spmt"};
  for (const std::string mode : {"", "-c", "-s"}) {
    for (int debug : {0, 1, 2}) {
      SCOPED_TRACE("mode " + mode + ", level " + std::to_string(debug));
      TempDir dir;
      test::WriteFile(dir / "n.net", Diamonds(22));
      std::vector<std::string> args = {"--memory=32M", "-T", "-q", "-w", "w", "-d", std::to_string(debug), "n.net", "report"};
      if (!mode.empty()) args.insert(args.begin(), mode);
      const test::RunResult r = RunPelorinBinary(args, dir.path());
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.out.rfind("*** not enough memory for ", 0), 0u) << r.out;
      std::vector<std::string> main, driver, copies;
      for (const std::string& name : ListFiles(dir.path())) {
        if (name.rfind("w.spmt.", 0) == 0) driver.push_back(name);
        else if (name.rfind("w.spmt-", 0) == 0) copies.push_back(name);
        else main.push_back(name);
      }
      if (debug == 0) {
        EXPECT_EQ(main, (std::vector<std::string>{"n.net", "report"}));
        EXPECT_TRUE(driver.empty());
        continue;
      }
      EXPECT_EQ(main, mainFiles);
      if (mode.empty()) EXPECT_EQ(driver, std::vector<std::string>{"w.spmt.inv"});
      else EXPECT_EQ(!driver.empty(), debug >= 2);
      EXPECT_EQ(!copies.empty(), !mode.empty() && debug >= 1);
    }
  }
}

}  // namespace
}  // namespace pelorin
