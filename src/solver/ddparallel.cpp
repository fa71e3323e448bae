// Parallel variables of the minimal-support solver (contract in dd.h): the classes of variables
// with equal rows, the system with one variable per class, and the rays of the whole system
// expanded from that system's rays. Works in memory only.
#include <algorithm>
#include <functional>
#include <new>
#include <unordered_map>

#include "matrix/failure.h"
#include "solver/dd.h"

namespace pelorin {

namespace {

using Row = std::vector<std::pair<int32_t, int64_t>>;

struct RowHash {
  size_t operator()(const Row* row) const {
    size_t h = row->size();
    for (const auto& [position, value] : *row)
      h = (h * 1000003) ^ (std::hash<int64_t>()(value) + 0x9e3779b97f4a7c15ULL * static_cast<size_t>(position));
    return h;
  }
};

struct RowEqual {
  bool operator()(const Row* a, const Row* b) const { return *a == *b; }
};

// Ends the run when the expanded rays cannot be held: the memory message of the rays with their
// exact number, and the option that writes them without expansion.
template <class C>
[[noreturn]] void FailExpansion(const SemiflowSet<C>& rays, const std::vector<std::vector<int32_t>>& members) {
  mpz_class count = 0;
  for (size_t i = 0; i < rays.size(); ++i) {
    mpz_class choices = 1;
    for (const auto& entry : rays[i])
      choices *= static_cast<unsigned long>(members[static_cast<size_t>(entry.first)].size());
    count += choices;
  }
  throw Failure(kExitMemory, "*** not enough memory for rays: " + count.get_str() +
                                 " minimal semiflows; --classes writes them compactly\n");
}

}  // namespace

ParallelClasses ParallelClassesOf(const SparseSystem& system) {
  return WithMemory("rays", [&] {
    ParallelClasses classes;
    classes.reduced.equations = system.equations;
    std::unordered_map<const Row*, int32_t, RowHash, RowEqual> classOf;
    classOf.reserve(system.rows.size());
    for (size_t i = 0; i < system.rows.size(); ++i) {
      const auto [it, inserted] = classOf.try_emplace(&system.rows[i], static_cast<int32_t>(classes.members.size()));
      if (inserted) {
        classes.reduced.rows.push_back(system.rows[i]);
        classes.members.emplace_back();
      }
      classes.members[static_cast<size_t>(it->second)].push_back(static_cast<int32_t>(i));
    }
    return classes;
  });
}

template <class C>
SemiflowSet<C> ExpandParallel(SemiflowSet<C> rays, const ParallelClasses& classes, ConeLimit limit) {
  const auto& members = classes.members;
  if (std::all_of(members.begin(), members.end(), [](const auto& m) { return m.size() == 1; })) return rays;
  // The rays to come and their entries, counted before any is made.
  size_t count = 0, entries = 0;
  for (size_t i = 0; i < rays.size(); ++i) {
    size_t choices = 1;
    for (const auto& entry : rays[i]) choices = SaturatedMul(choices, members[static_cast<size_t>(entry.first)].size());
    count = SaturatedAdd(count, choices);
    entries = SaturatedAdd(entries, SaturatedMul(choices, rays[i].size()));
  }
  if (count > limit.rays || entries > limit.entries) throw ConeLimitExceeded{};
  SemiflowSet<C> expanded;
  if (count >= expanded.begin.max_size() || entries > expanded.entries.max_size()) FailExpansion(rays, members);
  try {
    expanded.begin.reserve(count + 1);
    expanded.entries.reserve(entries);
  } catch (const std::bad_alloc&) {
    FailExpansion(rays, members);
  }
  std::vector<size_t> choice;
  for (size_t i = 0; i < rays.size(); ++i) {
    const std::span<const typename SemiflowSet<C>::Entry> ray = rays[i];
    choice.assign(ray.size(), 0);
    for (;;) {
      const size_t first = expanded.entries.size();
      for (size_t k = 0; k < ray.size(); ++k)
        expanded.entries.emplace_back(members[static_cast<size_t>(ray[k].first)][choice[k]], ray[k].second);
      std::sort(expanded.entries.begin() + static_cast<std::ptrdiff_t>(first), expanded.entries.end(),
                [](const auto& a, const auto& b) { return a.first < b.first; });
      expanded.Close();
      // the next choice: the last entry's member first, like an odometer
      size_t k = ray.size();
      while (k > 0 && ++choice[k - 1] == members[static_cast<size_t>(ray[k - 1].first)].size()) choice[--k] = 0;
      if (k == 0) break;
    }
  }
  return expanded;
}

template SemiflowSet<int32_t> ExpandParallel(SemiflowSet<int32_t>, const ParallelClasses&, ConeLimit);
template SemiflowSet<int64_t> ExpandParallel(SemiflowSet<int64_t>, const ParallelClasses&, ConeLimit);
template SemiflowSet<mpz_class> ExpandParallel(SemiflowSet<mpz_class>, const ParallelClasses&, ConeLimit);

}  // namespace pelorin
