// The simultaneous composition chain run stage after stage through its work files: the
// composition system, its solutions (given here as the solver would write them), the unit
// solutions, the joint matrix and the product that is the composed basis.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/stagefiles.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

// The files of one run of the chain.
struct Chain {
  std::string s, u, r, g, h0;
  bool operator==(const Chain&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Chain& c) {
  return out << "s:\n" << c.s << "u:\n" << c.u << "r:\n" << c.r << "g:\n" << c.g << "h0:\n" << c.h0;
}

// Runs the chain on B.z and the bases; `solutions` stands for the solver's answer to B.s.
Chain RunChain(const TempDir& dir, const std::string& contacts, const std::vector<std::string>& bases,
          const std::string& solutions) {
  const std::string base = dir / "m.spm";
  WriteFile(base + ".z", contacts);
  for (size_t i = 0; i < bases.size(); ++i) WriteFile(base + ".i" + std::to_string(i + 1), bases[i]);
  CreateCompositionSystem(base);
  WriteFile(base + ".r0", solutions);
  AddUnitSolutions(base + ".r0", base + ".u", base + ".r");
  ComposeJointMatrix(base);
  MultiplySPM(base + ".r", base + ".g", base + ".h0");
  return {ReadFile(base + ".s"), ReadFile(base + ".u"), ReadFile(base + ".r"), ReadFile(base + ".g"),
          ReadFile(base + ".h0")};
}

TEST(CompositionChain, TwoTransitionsInARowGiveOneInvariant) {
  // Transition 1 moves a token from place 1 to place 2, transition 2 from place 2 to place 3.
  TempDir dir;
  const Chain chain = RunChain(dir, "2\n2 2 1\n", {"1 1 1\n1 2 1\n", "1 2 1\n1 3 1\n"}, "1 1 1\n1 2 1\n");
  EXPECT_EQ(chain, (Chain{"1 2 1\n2 2 -1\n", "", "1 1 1\n1 2 1\n", "1 1 1\n2 2 1\n2 3 1\n", "1 1 1\n1 2 1\n1 3 1\n"}));
}

TEST(CompositionChain, CycleOfThreeTransitions) {
  // t1: p1 -> p2, t2: p2 -> p3, t3: p3 -> p1; every place joins two subnets.
  TempDir dir;
  const Chain chain =
      RunChain(dir, "3\n1 1 3\n2 2 1\n3 3 2\n", {"1 1 1\n1 2 1\n", "1 2 1\n1 3 1\n", "1 3 1\n1 1 1\n"}, "1 1 1\n1 2 1\n1 3 1\n");
  EXPECT_EQ(chain, (Chain{"1 1 -1\n1 2 1\n2 2 -1\n2 3 1\n3 3 -1\n3 1 1\n", "", "1 1 1\n1 2 1\n1 3 1\n",
                          "1 1 1\n2 2 1\n3 3 1\n", "1 1 1\n1 2 1\n1 3 1\n"}));
}

TEST(CompositionChain, SolutionsAwayFromContactPlacesPassThrough) {
  // Subnet 1 has a second invariant on its own place 4, subnet 2 one with a gap in its numbering;
  // the system (1 5 -2), (4 5 1) is solved by unknowns 1 and 4 in the ratio 1 : 2. Unknown 3, a
  // reserved number, has no row in the joint matrix: its unit solution composes to nothing.
  TempDir dir;
  const Chain chain = RunChain(dir, "2\n5 1 2\n", {"1 5 2\n1 6 1\n2 4 1\n", "2 5 1\n2 7 3\n"}, "1 1 1\n1 4 2\n");
  EXPECT_EQ(chain, (Chain{"1 5 -2\n4 5 1\n", "1 2 1\n2 3 1\n", "1 1 1\n1 4 2\n2 2 1\n3 3 1\n",
                          "1 5 2\n1 6 1\n2 4 1\n4 7 3\n", "1 5 2\n1 6 1\n1 7 6\n2 4 1\n"}));
}

}  // namespace
}  // namespace pelorin
