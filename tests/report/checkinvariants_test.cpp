// Invariant check: coverage of the matrix rows by positive solution coefficients.
#include "report/checkinvariants.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "matrix/spm.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

bool Check(const std::string& matrix, const std::string& solutions) {
  TempDir dir;
  WriteFile(dir / "m", matrix);
  WriteFile(dir / "m.inv", solutions);
  return CheckInvariants(ReadElementsFile(dir / "m"), dir / "m.inv");
}

// The same with the solutions' covered elements handed over, as the writer of the file does.
bool CheckDigest(const std::string& matrix, const std::set<int>& covered) {
  TempDir dir;
  WriteFile(dir / "m", matrix);
  WriteFile(dir / "m.inv", "");
  return CheckInvariants(ReadElementsFile(dir / "m"), dir / "m.inv",
                         SolutionDigest{0, std::vector<int32_t>(covered.begin(), covered.end())});
}

TEST(CheckInvariants, CoverageOfTheRows) {
  const std::string rows123 = "1 1 -1\n2 1 1\n3 2 1\n";
  EXPECT_FALSE(Check(rows123, ""));
  EXPECT_FALSE(Check(rows123, "1 1 1\n1 3 2\n"));
  EXPECT_TRUE(Check(rows123, "1 1 1\n1 3 2\n2 2 4\n"));
  // The solution number plays no part; repeated rows and repeated mentions count once.
  EXPECT_TRUE(Check(rows123 + "2 7 3\n1 1 1\n", "9 3 1\n9 3 1\n-4 1 1\n0 2 1\n"));
  // Coefficients of 0 or less do not cover; neither do elements that are no rows of the matrix.
  EXPECT_FALSE(Check(rows123, "1 1 1\n1 3 1\n2 2 0\n3 2 -5\n"));
  EXPECT_FALSE(Check(rows123, "1 1 1\n1 3 1\n1 4 1\n1 -2 1\n"));
  EXPECT_TRUE(Check("# none\n\n", "1 1 -1\n"));  // a matrix without triples
}

TEST(CheckInvariants, CommentBlankAndTwoIntegerLines) {
  // A two-integer solution line has the coefficient 1; "#" lines and blank lines do nothing.
  EXPECT_TRUE(Check("# 9 9 9\n1 1\n \t\n2 1 1\n", "1 1\n#1 2 1\n\n1 2 1\n"));
  EXPECT_FALSE(Check("1 1 1\n2 1 1\n", "1 1 1\n# 1 2 1\n"));
}

TEST(CheckInvariants, Failures) {
  TempDir dir;
  const std::vector<Element> matrix = {{1, 1, 1}};
  ExpectFail(2, "*** error open file " + (dir / "gone") + "\n", [&] { CheckInvariants(matrix, dir / "gone"); });
  // So with a digest: the solution file is opened though not read.
  ExpectFail(2, "*** error open file " + (dir / "gone") + "\n",
             [&] { CheckInvariants(matrix, dir / "gone", SolutionDigest{}); });
  WriteFile(dir / "s", "1 1 1\nx\n");
  ExpectFail(4, "*** malformed line 2 in file " + (dir / "s") + "\n", [&] { CheckInvariants(matrix, dir / "s"); });
  ExpectFail(4, "*** malformed line 2 in file " + (dir / "s") + "\n", [&] { CheckInvariants(matrix, dir / "s", true); });
  EXPECT_TRUE(CheckInvariants(matrix, dir / "s", SolutionDigest{0, {1}}));
}

// Random matrices and solutions: the result is true exactly when the matrix rows are a subset of
// the elements with a positive coefficient.
TEST(CheckInvariants, OneExactlyWhenEveryRowHasAPositiveCoefficient) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> id(1, 9), value(-2, 3), lines(0, 12);
  for (int round = 0; round < 300; ++round) {
    std::string matrix, solutions;
    std::set<int> rows, positive;
    for (int l = lines(rng); l > 0; --l) {
      const int r = id(rng);
      rows.insert(r);
      matrix += std::to_string(r) + " " + std::to_string(id(rng)) + " " + std::to_string(value(rng)) + "\n";
    }
    for (int l = lines(rng) * 2; l > 0; --l) {
      const int e = id(rng), v = value(rng);
      if (v > 0) positive.insert(e);
      solutions += std::to_string(id(rng)) + " " + std::to_string(e) + " " + std::to_string(v) + "\n";
    }
    bool covered = true;
    for (int r : rows) covered = covered && positive.count(r) > 0;
    ASSERT_EQ(Check(matrix, solutions), covered) << matrix << "--\n" << solutions;
    ASSERT_EQ(CheckDigest(matrix, positive), covered) << matrix << "--\n" << solutions;
  }
}

}  // namespace
}  // namespace pelorin
