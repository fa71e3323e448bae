// A tournament tree over positions 0 .. n-1, each with a 64-bit key: the position of the least
// key, the lowest position on ties, kept up to date as keys change (a change costs log n, a look
// nothing). Toudic's method chooses its next column with it instead of scanning every column at
// every step. Reads and writes no files.
//
// Example: keys {5, 3, 3, 9} give Best() = 1; Set(1, 7) makes it 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace pelorin {

class Tournament {
 public:
  static constexpr uint64_t kNone = std::numeric_limits<uint64_t>::max();

  // n positions, every key kNone.
  explicit Tournament(size_t n = 0) : leaves_(1) {
    while (leaves_ < n) leaves_ *= 2;
    key_.assign(leaves_, kNone);
    winner_.resize(2 * leaves_);
    for (size_t i = 0; i < leaves_; ++i) winner_[leaves_ + i] = static_cast<uint32_t>(i);
    Rebuild();
  }

  // Changes one key; the winners above it follow.
  void Set(size_t i, uint64_t key) {
    key_[i] = key;
    for (size_t p = (leaves_ + i) / 2; p >= 1; p /= 2) winner_[p] = Winner(winner_[2 * p], winner_[2 * p + 1]);
  }

  // Changes many keys: Assign each, then Rebuild once (cheaper than Set when they are many).
  void Assign(size_t i, uint64_t key) { key_[i] = key; }
  void Rebuild() {
    for (size_t p = leaves_ - 1; p >= 1; --p) winner_[p] = Winner(winner_[2 * p], winner_[2 * p + 1]);
  }
  size_t Positions() const { return leaves_; }

  // The position of the least key (position 0 when every key is kNone).
  size_t Best() const { return winner_[1]; }
  uint64_t Key(size_t i) const { return key_[i]; }

 private:
  uint32_t Winner(uint32_t a, uint32_t b) const { return key_[b] < key_[a] ? b : a; }

  size_t leaves_;                 // a power of two, at least n and 1
  std::vector<uint64_t> key_;     // per position (padding positions keep kNone)
  std::vector<uint32_t> winner_;  // heap order from 1: the position that wins each subtree
};

}  // namespace pelorin
