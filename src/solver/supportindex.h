// The support index of the solvers: members (working rows, rays, vectors) named by an id, each
// listed under one variable of its support, its key, with a 64-bit signature of that support.
// It answers "does some member's support lie inside this set of variables?": such a member is
// listed under a variable of the set, so only the lists of the set's variables are searched, and
// a member whose signature has a bit outside the set's is skipped without a look at its support.
// The caller makes the signatures (any fold of the variables onto 64 bits, the same for every
// member and every set), chooses the keys (usually the rarest variable, see Rarest) and decides
// in a test of its own what "inside" means (the support, the values, the member still alive).
// Lists keep the order of addition, so a search finds the members in that order. Reads and
// writes no files.
//
// Example: members 0 {1, 2} and 1 {2, 3} keyed by 1 and 3 (lists 1: [0], 3: [1]); the set
// {1, 2, 4} searches lists 1, 2 and 4 and finds member 0; the set {2, 3} finds member 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace pelorin {

// A member in the list of its key variable, with its signature at hand.
struct Posting {
  int32_t id = 0;
  uint64_t sig = 0;
};

class SupportIndex {
 public:
  // An index of `variables` empty lists (variables 0 .. variables-1).
  explicit SupportIndex(size_t variables = 0) : lists_(variables) {}

  // The variable of `vars` with the least count(v), the first one on ties; `var` maps an element
  // of the range to its variable (a non-empty range).
  template <class Range, class Count, class Var = std::identity>
  static auto Rarest(const Range& vars, Count&& count, Var var = {}) {
    auto best = std::invoke(var, *std::begin(vars));
    for (const auto& element : vars) {
      const auto v = std::invoke(var, element);
      if (count(v) < count(best)) best = v;
    }
    return best;
  }

  // Lists member `id` with signature `sig` under variable `key`, after the members there.
  void Add(size_t key, int32_t id, uint64_t sig) {
    lists_[key].push_back({id, sig});
    ++postings_;
  }

  // The first member in the list of variable v whose signature has no bit in `outside` and for
  // which test(id) holds, else -1.
  template <class Test>
  int32_t Find(size_t v, uint64_t outside, Test&& test) const {
    for (const Posting& posting : lists_[v])
      if ((posting.sig & outside) == 0 && test(posting.id)) return posting.id;
    return -1;
  }

  // The members listed under variable v, in order.
  const std::vector<Posting>& List(size_t v) const { return lists_[v]; }
  size_t Size(size_t v) const { return lists_[v].size(); }

  // Entries of all lists together, for the callers' rules of when to rebuild.
  size_t Postings() const { return postings_; }

  // Empties every list, keeping their room for the members listed anew.
  void Clear() {
    for (auto& list : lists_) list.clear();
    postings_ = 0;
  }

 private:
  std::vector<std::vector<Posting>> lists_;  // per variable: the members keyed by it, in order of addition
  size_t postings_ = 0;                      // entries of `lists_`
};

}  // namespace pelorin
