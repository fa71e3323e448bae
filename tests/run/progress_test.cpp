// The progress line: its bytes once shown, its erasure (once, and only after it was shown), the
// time that passes before it appears; and end to end, standard error on a pseudo-terminal
// ("script" of util-linux) gets nothing but progress lines, the last one erased, while the
// report stays the same.
#include "run/progress.h"

#include "run/driver.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <regex>
#include <set>
#include <string>

#include "support/testutil.h"

namespace pelorin {
namespace {

// What `write` writes to standard error, which goes to a file meanwhile; the memory of the
// progress lines masked as "N MB".
std::string StandardErrorOf(const std::function<void()>& write) {
  TempDir dir;
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  std::FILE* file = std::fopen((dir / "err").c_str(), "w");
  dup2(fileno(file), STDERR_FILENO);
  write();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(file);
  return std::regex_replace(ReadFile(dir / "err"), std::regex("[0-9]+ MB"), "N MB");
}

TEST(TerminalProgress, ShowsOneLineInPlaceAndErasesIt) {
  const std::chrono::seconds now(0), later(3600);
  EXPECT_EQ(StandardErrorOf([&] {
              TerminalProgress progress(true, now, now);
              progress.Step("solving", 3, 12, 4187);
              progress.Stage("listing");
              progress.Erase();
              progress.Erase();
            }),
            "\rPelorin: solving, equation 3 of 12, 4187 rays, N MB\x1b[K\rPelorin: listing, N MB\x1b[K\r\x1b[K");
  // erased by the destructor; nothing before the delay, nothing at all when not shown
  EXPECT_EQ(StandardErrorOf([&] { TerminalProgress(true, now, now).Stage("solving"); }),
            "\rPelorin: solving, N MB\x1b[K\r\x1b[K");
  EXPECT_EQ(StandardErrorOf([&] {
              TerminalProgress progress(true, later, now);
              progress.Stage("solving");
              progress.Erase();
            }),
            "");
  EXPECT_EQ(StandardErrorOf([&] { TerminalProgress(false, now, now).Stage("solving"); }), "");
}

// The stages an observer hears of, once each.
class Heard final : public ProgressObserver {
 public:
  void Step(const char* stage, size_t, size_t, size_t) override { stages.insert(stage); }
  std::set<std::string> stages;
};

// Every part of a composition tells its progress (Toudic's method and the minimal-support solver
// alike), and the chain's work files are the same with an observer as without.
TEST(ChainProgress, TellsEveryPartOfTheComposition) {
  // two cycles joined through the place c: three subnets
  const std::vector<Element> matrix = {{1, 1, -1}, {2, 1, 1}, {2, 2, -1}, {1, 2, 1}, {3, 1, 1},
                                       {3, 3, -1}, {4, 3, 1}, {4, 4, -1}, {3, 4, 1}};
  for (const bool minimal : {false, true}) {
    TempDir dir;
    Heard heard;
    const std::string m = dir / "m";
    SolveInvariants(matrix, m, m + ".inv", 0, kSequential, minimal, nullptr, &heard);
    EXPECT_TRUE(heard.stages.count("decomposition")) << minimal;
    EXPECT_TRUE(heard.stages.count("subnet 1 of 3, solving")) << minimal;
    EXPECT_TRUE(heard.stages.count("step 1 of 2, solving")) << minimal;
    EXPECT_TRUE(heard.stages.count("step 2 of 2, product")) << minimal;
    const std::string told = ReadFile(m + ".inv");
    SolveInvariants(matrix, m, m + ".inv", 0, kSequential, minimal);
    EXPECT_EQ(ReadFile(m + ".inv"), told);
  }
}

TEST(TerminalProgress, OnATerminalOnlyWhileSolving) {
  if (std::system("script --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  TempDir dir;
  // 2^19 minimal semiflows over 19 equations: a solution of a few seconds
  std::string net;
  for (int i = 0; i < 19; ++i) {
    const std::string j = std::to_string((i + 1) % 19), k = std::to_string(i);
    net += "tr t" + k + " a" + k + " b" + k + "*2 -> a" + j + " b" + j + "*2\n";
  }
  WriteFile(dir / "n.net", net);
  const test::RunResult plain = RunPelorinBinary({"--minimal", "-q", "n.net", "plain"}, dir.path());
  ASSERT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.err, "");
  // standard error alone on the terminal: the report goes to a file
  const std::string command = "cd '" + dir.path() + "' && script -qec '" + PELORIN_BINARY +
                              " --minimal -q n.net tty' /dev/null </dev/null >err";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(MaskTime(ReadFile(dir / "tty")), MaskTime(ReadFile(dir / "plain")));
  const std::string err = ReadFile(dir / "err");
  // lines while the solution lasts more than a second (here it usually does), the last erased;
  // the equations are those of the matrix or of one of its lattice forms, whichever is stepping
  const std::regex erasedLines(
      "(\rPelorin: solving, equation [0-9]+ of [0-9]+, [0-9]+ rays, [0-9]+ MB\x1b\\[K)+\r\x1b\\[K|");
  EXPECT_TRUE(std::regex_match(err, erasedLines)) << err;
}

}  // namespace
}  // namespace pelorin
