// Minimal-support semiflows and the reduction to minimal supports on matrices held in memory as
// the lines of their files (contract in dd.h): the stages of the composition chain with
// "--minimal" below debug level 2. Reads and writes no file.
#include <algorithm>
#include <climits>
#include <numeric>
#include <unordered_map>

#include "matrix/failure.h"
#include "solver/dd.h"

namespace pelorin {

namespace {

// The semiflows numbered from 1 as lines; a coefficient beyond 32 bits is an overflow.
std::vector<Element> LinesOf(const std::vector<Semiflow>& semiflows) {
  std::vector<Element> lines;
  for (size_t i = 0; i < semiflows.size(); ++i) {
    if (i + 1 > static_cast<size_t>(INT32_MAX)) FailOverflow();
    for (const auto& [element, coefficient] : semiflows[i]) {
      if (!coefficient.fits_sint_p() || coefficient > INT32_MAX) FailOverflow();
      lines.push_back({static_cast<int32_t>(i + 1), element, static_cast<int32_t>(coefficient.get_si())});
    }
  }
  return lines;
}

// A vector of the reduction: (element, coefficient) by increasing element, coefficients > 0
// after division by their gcd; `dense` holds the elements' positions in order of appearance.
struct Reduced {
  std::vector<std::pair<int32_t, int64_t>> entries;
  std::vector<int32_t> dense;
};

// The vectors of the lines: grouped by row number (first appearance), repeated cells added up,
// zero entries dropped, each divided by its gcd; zero vectors dropped.
std::vector<Reduced> Grouped(const std::vector<Element>& lines) {
  IndexList rows, elements;
  std::vector<std::vector<std::pair<int32_t, int64_t>>> cells;
  for (const Element& e : lines) {
    const size_t i = static_cast<size_t>(rows.Add(e.row));
    if (i == cells.size()) cells.emplace_back();
    cells[i].emplace_back(e.col, e.value);
  }
  std::vector<Reduced> vectors;
  vectors.reserve(cells.size());
  for (auto& c : cells) {
    std::sort(c.begin(), c.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    Reduced r;
    for (const auto& [element, value] : c) {
      if (!r.entries.empty() && r.entries.back().first == element) r.entries.back().second += value;
      else r.entries.emplace_back(element, value);
    }
    std::erase_if(r.entries, [](const auto& entry) { return entry.second == 0; });
    if (r.entries.empty()) continue;
    int64_t g = 0;
    for (const auto& entry : r.entries) g = std::gcd(g, entry.second);
    for (auto& entry : r.entries) {
      entry.second /= g;
      r.dense.push_back(elements.Add(entry.first));
    }
    vectors.push_back(std::move(r));
    std::vector<std::pair<int32_t, int64_t>>().swap(c);
  }
  return vectors;
}

// The positions of the vectors whose support contains no other's (of equal supports the first
// of the smallest size): the vectors by increasing size (stable), each kept unless the support
// of a kept one lies inside it; a kept vector is listed under its rarest element.
std::vector<size_t> MinimalMembers(const std::vector<Reduced>& vectors) {
  std::vector<size_t> order(vectors.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return vectors[a].entries.size() < vectors[b].entries.size(); });
  size_t elements = 0;
  for (const Reduced& r : vectors)
    for (int32_t d : r.dense) elements = std::max(elements, static_cast<size_t>(d) + 1);
  std::vector<size_t> frequency(elements, 0), mark(elements, 0);
  for (const Reduced& r : vectors)
    for (int32_t d : r.dense) ++frequency[static_cast<size_t>(d)];
  std::vector<std::vector<size_t>> keyed(elements);
  std::vector<size_t> kept;
  for (size_t step = 0; step < order.size(); ++step) {
    const Reduced& r = vectors[order[step]];
    for (int32_t d : r.dense) mark[static_cast<size_t>(d)] = step + 1;
    auto inside = [&](int32_t d) { return mark[static_cast<size_t>(d)] == step + 1; };
    bool covered = false;
    for (size_t k = 0; k < r.dense.size() && !covered; ++k)
      for (size_t j : keyed[static_cast<size_t>(r.dense[k])])
        if (std::all_of(vectors[j].dense.begin(), vectors[j].dense.end(), inside)) {
          covered = true;
          break;
        }
    if (covered) continue;
    int32_t key = r.dense.front();
    for (int32_t d : r.dense)
      if (frequency[static_cast<size_t>(d)] < frequency[static_cast<size_t>(key)]) key = d;
    keyed[static_cast<size_t>(key)].push_back(order[step]);
    kept.push_back(order[step]);
  }
  return kept;
}

// Support of a is lexicographically before that of b (a prefix first), then its coefficients.
bool CanonicalLess(const Reduced& a, const Reduced& b) {
  const size_t common = std::min(a.entries.size(), b.entries.size());
  for (size_t k = 0; k < common; ++k)
    if (a.entries[k].first != b.entries[k].first) return a.entries[k].first < b.entries[k].first;
  if (a.entries.size() != b.entries.size()) return a.entries.size() < b.entries.size();
  for (size_t k = 0; k < common; ++k)
    if (a.entries[k].second != b.entries[k].second) return a.entries[k].second < b.entries[k].second;
  return false;
}

}  // namespace

std::vector<Element> MinimalSemiflowsElements(const std::vector<Element>& matrix, size_t limit) {
  IndexList rows;
  const SparseSystem system = WithMemory("rays", [&] { return SystemOf(matrix, rows); });
  std::vector<Semiflow> semiflows = ExtremeRays(system, limit);
  return WithMemory("rays", [&] {
    for (Semiflow& s : semiflows)
      for (auto& entry : s) entry.first = rows.ids[static_cast<size_t>(entry.first)];
    SortCanonical(semiflows);
    return LinesOf(semiflows);
  });
}

std::vector<Element> MinimalSupportsElements(const std::vector<Element>& vectors) {
  return WithMemory("rays", [&] {
    std::vector<Reduced> grouped = Grouped(vectors);
    std::vector<size_t> kept = MinimalMembers(grouped);
    std::sort(kept.begin(), kept.end(), [&](size_t a, size_t b) { return CanonicalLess(grouped[a], grouped[b]); });
    std::vector<Element> lines;
    for (size_t i = 0; i < kept.size(); ++i) {
      if (i + 1 > static_cast<size_t>(INT32_MAX)) FailOverflow();
      for (const auto& [element, coefficient] : grouped[kept[i]].entries) {
        if (coefficient > INT32_MAX) FailOverflow();
        lines.push_back({static_cast<int32_t>(i + 1), element, static_cast<int32_t>(coefficient)});
      }
    }
    return lines;
  });
}

}  // namespace pelorin
