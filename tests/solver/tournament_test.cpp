// The tournament tree against a scan for the least key and the first position on ties, through
// random changes one by one and in batches (with few distinct keys, so ties are common).
#include "solver/tournament.h"

#include <gtest/gtest.h>

#include <random>

namespace pelorin {
namespace {

size_t ScanBest(const std::vector<uint64_t>& keys) {
  size_t best = 0;
  for (size_t i = 1; i < keys.size(); ++i)
    if (keys[i] < keys[best]) best = i;
  return best;
}

TEST(Tournament, AgreesWithAScanThroughRandomChanges) {
  std::mt19937 random(7);
  for (size_t n : {1u, 2u, 3u, 5u, 64u, 100u}) {
    Tournament tree(n);
    std::vector<uint64_t> keys(n, Tournament::kNone);
    EXPECT_EQ(tree.Best(), 0u);
    for (int round = 0; round < 300; ++round) {
      const bool batch = round % 3 == 0;
      for (int k = 0; k < (batch ? 10 : 1); ++k) {
        const size_t i = random() % n;
        keys[i] = random() % 5 == 0 ? Tournament::kNone : random() % 4;
        if (batch) tree.Assign(i, keys[i]);
        else tree.Set(i, keys[i]);
      }
      if (batch) tree.Rebuild();
      ASSERT_EQ(tree.Best(), ScanBest(keys)) << "n " << n << " round " << round;
      ASSERT_EQ(tree.Key(tree.Best()), keys[ScanBest(keys)]);
    }
  }
}

}  // namespace
}  // namespace pelorin
