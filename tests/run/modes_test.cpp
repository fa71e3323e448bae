// Cross-mode properties on seeded random nets: direct solution, simultaneous ("-c") and
// sequential ("-s") composition give semiflows with positive coefficients, none above another,
// the same minimal-support semiflows and the same check word, for P and T.
#include "support/netgen.h"
#include "support/semiflows.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using test::NetFamily;

// The check word line of a digest report.
std::string CheckWord(const std::string& report) {
  const size_t heading = report.find("GENERATING SET");
  const size_t start = report.find("\n\n", heading) + 2;
  return report.substr(start, report.find('\n', start) - start);
}

void CheckModesAgree(NetFamily family, uint32_t seed) {
  TempDir dir;
  const std::string net = test::WriteRandomNet(dir.path(), family, seed);
  for (const char* kind : {"-P", "-T"}) {
    const std::string matrix = test::SolvedMatrix("w", kind);
    std::set<test::Vector> expected;
    std::string expectedWord;
    for (std::string mode : {"", "-c", "-s"}) {
      const std::string result = std::string("r") + kind + mode;
      std::vector<std::string> args = {"-q", kind, "-d", "1", "-w", "w", "-o", result, "n.net"};
      if (!mode.empty()) args.insert(args.begin(), mode);
      test::RunResult r = RunPelorinBinary(args, dir.path());
      ASSERT_EQ(r.exitCode, 0) << net << kind << mode << "\n" << r.out;
      const std::string problem = test::CheckBasis(dir / matrix, dir / result);
      ASSERT_EQ(problem, "") << net << kind << mode;
      const auto semiflows = test::MinimalSupportSemiflows(test::ReadBasis(dir / result));
      if (mode.empty()) {
        expected = semiflows;
        expectedWord = CheckWord(r.out);
      } else {
        EXPECT_EQ(semiflows, expected) << net << kind << mode;
        EXPECT_EQ(CheckWord(r.out), expectedWord) << net << kind << mode;
      }
    }
  }
}

class ModesAgree : public ::testing::TestWithParam<NetFamily> {};

TEST_P(ModesAgree, OnSeededRandomNets) { test::ForEachSeed(GetParam(), 25, CheckModesAgree, true); }

INSTANTIATE_TEST_SUITE_P(Families, ModesAgree, ::testing::ValuesIn(test::AllFamilies()));

}  // namespace
}  // namespace pelorin
