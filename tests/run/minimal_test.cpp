// End to end with "--minimal": on seeded random nets the result is the set of minimal-support
// members of the default generating set, with gcd 1 and no support inside another, and direct
// solution, "-c" and "-s" write the same report and the same result file, and "-q" counts them
// and checks their coverage right; on chains whose one semiflow needs coefficients beyond 32 and
// 64 bits the report and the "-o" file hold them exactly, while the default run still refuses
// them; where composition systems grow beyond the cone limit, "-c" and "-s" still give the
// direct result.
#include <gmpxx.h>

#include <algorithm>

#include "matrix/spm.h"
#include "support/netgen.h"
#include "support/semiflows.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

using test::NetFamily;

// The count and the check word of "-q", which the run takes from the solver that wrote the result
// file (the direct solution, or the reduction of a composed basis), not from the file.
void ExpectDigestReport(std::vector<std::string> args, const std::string& dir, const std::string& matrix,
                        const std::vector<test::Vector>& basis, const std::string& kind) {
  args.insert(args.begin(), "-q");
  const test::RunResult q = RunPelorinBinary(args, dir);
  bool covered = true;
  for (const Element& e : ReadElementsFile(matrix))
    covered = covered && std::any_of(basis.begin(), basis.end(), [&](const test::Vector& v) { return v.count(e.row) > 0; });
  const std::string word = kind == "-P" ? (covered ? "invariant" : "not invariant") : (covered ? "consistent" : "not consistent");
  EXPECT_NE(q.out.find("\n\n" + word + "\n\n" + std::to_string(basis.size()) + " semiflow(s)\n"), std::string::npos)
      << kind << " " << args[1] << "\n" << q.out;
}

void CheckMinimal(NetFamily family, uint32_t seed) {
  TempDir dir;
  const std::string net = test::WriteRandomNet(dir.path(), family, seed);
  for (const char* kind : {"-P", "-T"}) {
    const std::string matrix = test::SolvedMatrix("w", kind);
    test::RunResult d = RunPelorinBinary({"-q", kind, "-d", "1", "-w", "w", "-o", "default", "n.net"}, dir.path());
    ASSERT_EQ(d.exitCode, 0) << net << kind << "\n" << d.out;
    const std::set<test::Vector> expected = test::MinimalSupportSemiflows(test::ReadBasis(dir / "default"));
    std::string firstReport, firstResult;
    for (std::string mode : {"", "-c", "-s"}) {
      std::vector<std::string> args = {"--minimal", kind, "-w", "m", "-o", "minimal", "n.net"};
      if (!mode.empty()) args.insert(args.begin(), mode);
      test::RunResult r = RunPelorinBinary(args, dir.path());
      ASSERT_EQ(r.exitCode, 0) << net << kind << mode << "\n" << r.out;
      ASSERT_EQ(test::CheckBasis(dir / matrix, dir / "minimal"), "") << net << kind << mode;
      const std::vector<test::Vector> basis = test::ReadBasis(dir / "minimal");
      const std::set<test::Vector> found(basis.begin(), basis.end());
      EXPECT_EQ(found.size(), basis.size()) << net << kind << mode;
      EXPECT_EQ(test::MinimalSupportSemiflows(basis), found) << net << kind << mode;
      EXPECT_EQ(found, expected) << net << kind << mode;
      if (mode != "-s") ExpectDigestReport(args, dir.path(), dir / matrix, basis, kind);
      if (mode.empty()) {
        firstReport = MaskTime(r.out);
        firstResult = ReadFile(dir / "minimal");
      } else {
        EXPECT_EQ(MaskTime(r.out), firstReport) << net << kind << mode;
        EXPECT_EQ(ReadFile(dir / "minimal"), firstResult) << net << kind << mode;
      }
    }
  }
}

class MinimalSemiflows : public ::testing::TestWithParam<NetFamily> {};

TEST_P(MinimalSemiflows, AreTheMinimalSupportsOfTheDefaultInEveryMode) {
  test::ForEachSeed(GetParam(), 60, CheckMinimal);
}

INSTANTIATE_TEST_SUITE_P(Families, MinimalSemiflows, ::testing::ValuesIn(test::AllFamilies()));

// A chain of n transitions with weights 3 in and 2 out. P-semiflow: y(k) = 2^(n-k) 3^k over the
// places p0..pn; T-semiflow (places between the transitions): x(k) = 3^(n-k) 2^k over t0..tn.
std::string ChainNet(unsigned long n, bool transitions) {
  std::string net = "net chain\n";
  for (unsigned long k = 0; k < n + (transitions ? 1 : 0); ++k) {
    const std::string t = "t" + std::to_string(k);
    if (!transitions) net += "tr " + t + " p" + std::to_string(k) + "*3 -> p" + std::to_string(k + 1) + "*2\n";
    else if (k == 0) net += "tr t0 -> q0*2\n";
    else if (k == n) net += "tr " + t + " q" + std::to_string(k - 1) + "*3 ->\n";
    else net += "tr " + t + " q" + std::to_string(k - 1) + "*3 -> q" + std::to_string(k) + "*2\n";
  }
  return net;
}

// Coefficient k of the chain's semiflow.
std::string ChainCoefficient(unsigned long n, unsigned long k, bool transitions) {
  mpz_class a, b;
  mpz_ui_pow_ui(a.get_mpz_t(), transitions ? 3 : 2, n - k);
  mpz_ui_pow_ui(b.get_mpz_t(), transitions ? 2 : 3, k);
  return mpz_class(a * b).get_str();
}

TEST(MinimalSemiflows, ExactBeyond32And64BitsInReportAndResultFile) {
  for (unsigned long n : {30ul, 45ul}) {
    for (bool transitions : {false, true}) {
      SCOPED_TRACE("n " + std::to_string(n) + (transitions ? " T" : " P"));
      TempDir dir;
      test::WriteFile(dir / "c.net", ChainNet(n, transitions));
      const std::string kind = transitions ? "-T" : "-P";
      const std::string prefix = transitions ? "t" : "p";
      std::string listing = "\n", file;
      for (unsigned long k = 0; k <= n; ++k) {
        listing += prefix + std::to_string(k) + "*" + ChainCoefficient(n, k, transitions) + " ";
        file += "1 " + std::to_string(k + 1) + " " + ChainCoefficient(n, k, transitions) + "\n";
      }
      for (std::string mode : {"", "-c", "-s"}) {
        std::vector<std::string> args = {"--minimal", kind, "-o", "r", "c.net"};
        if (!mode.empty()) args.insert(args.begin(), mode);
        test::RunResult r = RunPelorinBinary(args, dir.path());
        ASSERT_EQ(r.exitCode, 0) << mode << r.out;
        EXPECT_NE(r.out.find((transitions ? "consistent\n" : "invariant\n") + listing + "\n\n"), std::string::npos)
            << mode << r.out;
        EXPECT_EQ(ReadFile(dir / "r"), file) << mode;
      }
      test::RunResult refused = RunPelorinBinary({kind, "c.net"}, dir.path());
      EXPECT_EQ(refused.exitCode, 5);
      EXPECT_NE(refused.out.find("*** integer overflow\n"), std::string::npos);
    }
  }
}

// An n x n grid of two-state machines, each sending a message to its right and lower
// neighbour and waiting for those from the left and from above. At n = 10 a composition system
// of the P-semiflows' sequential composition grows beyond the cone limit (its cone reaches
// thousands of rays, the direct cone a few hundred), so "-s" solves the matrix directly, as it
// does when a composition stage overflows; "-c" composes.
std::string GridNet(int n) {
  auto name = [](const char* what, int i, int j) { return std::string(what) + std::to_string(i) + "_" + std::to_string(j); };
  std::string net = "net grid\n";
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      std::string in = name("idle", i, j), back = name("idle", i, j);
      if (j > 0) in += " " + name("right", i, j - 1);
      if (i > 0) in += " " + name("down", i - 1, j);
      if (j + 1 < n) back += " " + name("right", i, j);
      if (i + 1 < n) back += " " + name("down", i, j);
      net += "tr " + name("start", i, j) + " " + in + " -> " + name("work", i, j) + "\n";
      net += "tr " + name("stop", i, j) + " " + name("work", i, j) + " -> " + back + "\n";
    }
  return net;
}

TEST(MinimalSemiflows, CompositionBeyondTheConeLimitGivesTheDirectResult) {
  TempDir dir;
  test::WriteFile(dir / "g.net", GridNet(10));
  test::RunResult direct = RunPelorinBinary({"--minimal", "-q", "-o", "direct", "g.net"}, dir.path());
  ASSERT_EQ(direct.exitCode, 0) << direct.out;
  EXPECT_NE(direct.out.find("100 semiflow(s)"), std::string::npos) << direct.out;
  for (std::vector<std::string> mode :
       {std::vector<std::string>{"-c"}, {"-s"}, {"-s", "-d", "1"}, {"-s", "-d", "2"}, {"-c", "-d", "2"}}) {
    std::vector<std::string> args = {"--minimal", "-q", "-o", "composed", "g.net"};
    args.insert(args.begin(), mode.begin(), mode.end());
    test::RunResult r = RunPelorinBinary(args, dir.path());
    ASSERT_EQ(r.exitCode, 0) << mode[0] << r.out;
    EXPECT_EQ(MaskTime(r.out), MaskTime(direct.out)) << mode[0];
    EXPECT_EQ(ReadFile(dir / "composed"), ReadFile(dir / "direct")) << mode[0];
  }
}

}  // namespace
}  // namespace pelorin
