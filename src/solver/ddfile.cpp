// Minimal-support semiflows as file stages: reading the matrix, the reduction of a set of
// vectors to its minimal supports, and the canonical order of the written semiflows (contract
// in dd.h). Reads and writes sparse matrix files.
#include <algorithm>
#include <map>
#include <new>
#include <unordered_map>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/failure.h"
#include "solver/dd.h"

namespace pelorin {

namespace {

// Divides the coefficients by their gcd and drops zero ones.
void Normalise(Semiflow& s) {
  std::erase_if(s, [](const auto& entry) { return entry.second == 0; });
  mpz_class g = 0;
  for (const auto& entry : s) g = gcd(g, entry.second);
  if (g > 1)
    for (auto& entry : s) entry.second /= g;
}

// Support of a is lexicographically before that of b, then its coefficients.
bool CanonicalLess(const Semiflow& a, const Semiflow& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t k = 0; k < common; ++k)
    if (a[k].first != b[k].first) return a[k].first < b[k].first;
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t k = 0; k < common; ++k)
    if (a[k].second != b[k].second) return a[k].second < b[k].second;
  return false;
}

// The vectors of a solution file: element lines grouped by row number (first appearance),
// repeated cells added up, entries by increasing column number.
std::vector<Semiflow> ReadVectors(const std::string& name) {
  File in = OpenFile(name, "r");
  std::unordered_map<int32_t, size_t> position;
  std::vector<std::map<int32_t, mpz_class>> cells;
  ForEachWideElement(in.get(), name, true, [&](const WideElement& e) {
    const auto [it, added] = position.try_emplace(e.row, cells.size());
    if (added) cells.emplace_back();
    cells[it->second][e.col] += mpz_class(e.value);
  });
  std::vector<Semiflow> vectors;
  vectors.reserve(cells.size());
  for (auto& c : cells) vectors.emplace_back(c.begin(), c.end());
  return vectors;
}

}  // namespace

SparseSystem SystemOf(const std::vector<Element>& matrix, IndexList& rows) {
  IndexList cols;
  std::vector<std::unordered_map<int32_t, int64_t>> cells;
  for (const Element& e : matrix) {
    const size_t i = static_cast<size_t>(rows.Add(e.row));
    if (i == cells.size()) cells.emplace_back();
    cells[i][cols.Add(e.col)] += e.value;
  }
  SparseSystem system;
  system.equations = cols.size();
  system.rows.resize(cells.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    for (const auto& [col, value] : cells[i])
      if (value != 0) system.rows[i].emplace_back(col, value);
    std::sort(system.rows[i].begin(), system.rows[i].end());
  }
  return system;
}

std::vector<Semiflow> MinimalSupportMembers(std::vector<Semiflow> vectors) {
  for (Semiflow& s : vectors) Normalise(s);
  std::erase_if(vectors, [](const Semiflow& s) { return s.empty(); });
  std::stable_sort(vectors.begin(), vectors.end(), [](const Semiflow& a, const Semiflow& b) { return a.size() < b.size(); });
  // A kept vector is listed under its rarest element; a vector whose support holds a kept
  // support finds it under one of its own elements.
  std::unordered_map<int32_t, size_t> frequency;
  for (const Semiflow& s : vectors)
    for (const auto& entry : s) ++frequency[entry.first];
  std::unordered_map<int32_t, std::vector<size_t>> keyed;
  std::vector<Semiflow> kept;
  std::unordered_map<int32_t, size_t> mark;  // element -> 1 + index of the vector in test
  for (size_t i = 0; i < vectors.size(); ++i) {
    const Semiflow& s = vectors[i];
    for (const auto& entry : s) mark[entry.first] = i + 1;
    auto inside = [&](const auto& entry) {
      const auto it = mark.find(entry.first);
      return it != mark.end() && it->second == i + 1;
    };
    bool covered = false;
    for (size_t k = 0; k < s.size() && !covered; ++k) {
      const auto it = keyed.find(s[k].first);
      if (it == keyed.end()) continue;
      for (size_t j : it->second)
        if (std::all_of(kept[j].begin(), kept[j].end(), inside)) covered = true;
    }
    if (covered) continue;
    int32_t key = s.front().first;
    for (const auto& entry : s)
      if (frequency[entry.first] < frequency[key]) key = entry.first;
    keyed[key].push_back(kept.size());
    kept.push_back(s);
  }
  return kept;
}

void SortCanonical(std::vector<Semiflow>& semiflows) {
  for (Semiflow& s : semiflows) std::sort(s.begin(), s.end());
  std::sort(semiflows.begin(), semiflows.end(), CanonicalLess);
}

void WriteSemiflows(std::FILE* file, const std::vector<Semiflow>& semiflows) {
  for (size_t i = 0; i < semiflows.size(); ++i)
    for (const auto& [element, coefficient] : semiflows[i])
      std::fprintf(file, "%zu %d %s\n", i + 1, element, coefficient.get_str().c_str());
}

void MinimalSemiflows(const std::string& input, const std::string& output) {
  File in = OpenFile(input, "r");
  File out = OpenFile(output, "w");
  IndexList rows;
  const SparseSystem system = WithMemory("rays", [&] { return SystemOf(ReadElements(in.get(), input), rows); });
  in.reset();
  std::vector<Semiflow> semiflows = ExtremeRays(system);
  WithMemory("rays", [&] {
    for (Semiflow& s : semiflows)
      for (auto& entry : s) entry.first = rows.ids[static_cast<size_t>(entry.first)];
    SortCanonical(semiflows);
  });
  WriteSemiflows(out.get(), semiflows);
}

void MinimalSupports(const std::string& input, const std::string& output) {
  std::vector<Semiflow> kept = WithMemory("rays", [&] {
    std::vector<Semiflow> result = MinimalSupportMembers(ReadVectors(input));
    SortCanonical(result);
    return result;
  });
  File out = OpenFile(output, "w");
  WriteSemiflows(out.get(), kept);
}

}  // namespace pelorin
