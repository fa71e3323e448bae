// Invariant equations and place bounds at the edges: the section byte for byte, floors, vectors
// with negative coefficients (flows) that have a constant but bound nothing, elements that are
// no place, places that no transition changes, and numbers beyond 64 bits.
#include "report/bounds.h"

#include <gtest/gtest.h>

#include "support/testutil.h"

namespace pelorin {
namespace {

const std::string kHeading = "PLACE BOUNDS -----------------------------------------------\n\n";

std::string Section(const std::string& solutions, const std::vector<int32_t>& marking, bool wide = false,
                    const std::vector<int32_t>& unchanged = {}) {
  TempDir dir;
  WriteFile(dir / "t", "1 p1\n2 p2\n3 {p 3}\n");
  WriteFile(dir / "s", solutions);
  WriteBounds(dir / "t", dir / "s", marking, unchanged, dir / "out", wide);
  return ReadFile(dir / "out");
}

VectorMembers Vector(const std::vector<std::pair<int32_t, std::string>>& members) {
  VectorMembers v;
  for (const auto& [place, coefficient] : members) v.push_back({1, place, coefficient});
  return v;
}

TEST(Bounds, SectionWithFloorsAndPlacesWithoutBound) {
  EXPECT_EQ(kHeading.size(), 62u);  // 60 characters and the empty line
  EXPECT_EQ(Section("1 1 1\n1 2 1\n2 2 2\n2 3 1\n", {1, 0, 3}),
            kHeading + "p1 <= 1\np2 <= 1\n{p 3} <= 3\n0 place(s) without a bound (in no semiflow)\n\n");
  // floor(5 / 2) for p2, a place the table does not name, a place in no semiflow
  EXPECT_EQ(Section("1 2 2\n1 4 1\n", {0, 1, 9, 3}), kHeading + "p2 <= 2\n#4 <= 5\n2 place(s) without a bound (in no semiflow)\n\n");
  EXPECT_EQ(Section("", {}), kHeading + "0 place(s) without a bound (in no semiflow)\n\n");
  // a vector with a negative coefficient bounds nothing; an element beyond the places is passed over
  EXPECT_EQ(Section("1 1 1\n1 2 -1\n2 3 1\n2 7 5\n", {2, 2, 1}),
            kHeading + "{p 3} <= 1\n2 place(s) without a bound (in no semiflow)\n\n");
}

// A place whose marking no transition changes keeps its initial marking, below any bound a
// semiflow through it proves; a number that is no place is passed over.
TEST(Bounds, PlacesThatNoTransitionChangesKeepTheirInitialMarking) {
  EXPECT_EQ(Section("", {1, 0, 4}, false, {2, 3, 9}),
            kHeading + "p2 <= 0\n{p 3} <= 4\n1 place(s) without a bound (in no semiflow)\n\n");
  EXPECT_EQ(Section("1 1 1\n1 3 1\n", {1, 0, 4}, false, {3}),
            kHeading + "p1 <= 5\n{p 3} <= 4\n1 place(s) without a bound (in no semiflow)\n\n");
}

TEST(Bounds, ConstantsOfSignedAndWideVectors) {
  EXPECT_EQ(InvariantConstant(Vector({{1, "3"}, {2, "-2"}, {9, "5"}}), {4, 7}), -2);
  EXPECT_EQ(InvariantConstant({}, {4, 7}), 0);
  const std::string big = "123456789012345678901234567890";
  EXPECT_EQ(InvariantConstant(Vector({{2, big}}), {0, 2147483647}), mpz_class(big) * 2147483647);
  PlaceBounds bounds(2);
  bounds.Take(Vector({{1, big}, {2, "1"}}), mpz_class(big) * 3 + 1);
  EXPECT_EQ(*bounds.Of(1), 3);
  EXPECT_EQ(*bounds.Of(2), mpz_class(big) * 3 + 1);
  bounds.Take(Vector({{2, "2"}}), 5);  // a smaller bound wins
  EXPECT_EQ(*bounds.Of(2), 2);
  EXPECT_EQ(Section("1 1 1\n1 3 " + big + "0\n", {5, 0, 0}, true),
            kHeading + "p1 <= 5\n{p 3} <= 0\n1 place(s) without a bound (in no semiflow)\n\n");
}

}  // namespace
}  // namespace pelorin
