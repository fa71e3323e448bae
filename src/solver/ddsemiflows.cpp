// Sets of semiflows with 64-bit or GMP coefficients (contract in dd.h): the vectors of solution
// lines, the reduction to minimal supports (on the support index), the canonical order and the
// written lines. Writes the file it is handed; reads none.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <numeric>
#include <span>

#include "matrix/textfile.h"
#include "matrix/lines.h"
#include "solver/dd.h"
#include "solver/supportindex.h"

namespace pelorin {

namespace {

// Divides the coefficients by their gcd and drops zero ones.
template <class C>
void Normalise(SemiflowOf<C>& s) {
  std::erase_if(s, [](const auto& entry) { return entry.second == 0; });
  C g = 0;
  for (const auto& entry : s) g = exact::Gcd(g, entry.second);
  if (g > 1)
    for (auto& entry : s) entry.second /= g;
}

// Support of a is lexicographically before that of b (a prefix first), then its coefficients.
// Semiflows are vectors or spans of entries.
template <class S>
bool CanonicalLess(const S& a, const S& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t k = 0; k < common; ++k)
    if (a[k].first != b[k].first) return a[k].first < b[k].first;
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t k = 0; k < common; ++k)
    if (a[k].second != b[k].second) return a[k].second < b[k].second;
  return false;
}

// A number in decimal at `at`, as printf's "%d" or "%s" of a GMP integer writes it, with room
// for Digits(value) characters; returns the end.
size_t Digits(int64_t) { return 20; }
size_t Digits(const mpz_class& value) { return mpz_sizeinbase(value.get_mpz_t(), 10) + 2; }
template <class N>
char* PutDecimal(char* at, N value) {
  return std::to_chars(at, at + 20, value).ptr;
}
char* PutDecimal(char* at, const mpz_class& value) {
  mpz_get_str(at, 10, value.get_mpz_t());
  return at + std::char_traits<char>::length(at);
}

// The lines of a file, gathered in a block and written out when it fills.
class LineBlock {
 public:
  explicit LineBlock(std::FILE* file) : file_(file) {}
  // Where the next `bytes` characters go.
  char* Room(size_t bytes) {
    if (used_ + bytes > block_.size()) {
      Flush();
      if (bytes > block_.size()) block_.resize(bytes);
    }
    return block_.data() + used_;
  }
  // The characters up to `end` are taken.
  void Take(char* end) { used_ = static_cast<size_t>(end - block_.data()); }
  void Flush() {
    WriteText(file_, std::string_view(block_.data(), used_));
    used_ = 0;
  }

 private:
  std::FILE* file_;
  std::vector<char> block_ = std::vector<char>(size_t{1} << 16);
  size_t used_ = 0;
};

// Which of the supports (elements dense[begin[i] .. begin[i + 1]) of support i, by increasing
// size) contain no earlier kept support: each is kept unless it does. A kept support is listed
// under its rarest element (the fewest supports hold it), with its elements folded onto 64 bits
// (element mod 64); a support that holds a kept one finds it under one of its own elements.
std::vector<char> KeptSupports(const std::vector<int32_t>& dense, const std::vector<size_t>& begin, size_t elements) {
  const size_t count = begin.size() - 1;
  std::vector<size_t> frequency(elements, 0), mark(elements, 0);
  for (int32_t d : dense) ++frequency[static_cast<size_t>(d)];
  SupportIndex keyed(elements);
  std::vector<char> kept(count, 0);
  // ids are int32_t: 2^31 supports of one entry each would take far more memory than there is
  auto support = [&](size_t i) { return std::span<const int32_t>(dense.data() + begin[i], begin[i + 1] - begin[i]); };
  for (size_t i = 0; i < count; ++i) {
    uint64_t sig = 0;
    for (int32_t d : support(i)) {
      mark[static_cast<size_t>(d)] = i + 1;
      sig |= uint64_t{1} << (static_cast<size_t>(d) % 64);
    }
    auto inside = [&](int32_t d) { return mark[static_cast<size_t>(d)] == i + 1; };
    auto holds = [&](int32_t j) { return std::ranges::all_of(support(static_cast<size_t>(j)), inside); };
    auto found = [&](int32_t d) { return keyed.Find(static_cast<size_t>(d), ~sig, holds) >= 0; };
    if (std::ranges::any_of(support(i), found)) continue;
    const int32_t key = SupportIndex::Rarest(support(i), [&](int32_t d) { return frequency[static_cast<size_t>(d)]; });
    keyed.Add(static_cast<size_t>(key), static_cast<int32_t>(i), sig);
    kept[i] = 1;
  }
  return kept;
}

}  // namespace

template <class C>
void VectorsOfLines<C>::Add(int32_t row, int32_t col, C value) {
  const size_t i = static_cast<size_t>(rows.Add(row));
  if (i == vectors.size()) vectors.emplace_back();
  vectors[i].emplace_back(col, std::move(value));
}

template <class C>
std::vector<SemiflowOf<C>> VectorsOfLines<C>::Take() {
  for (SemiflowOf<C>& v : vectors) {
    std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t next = 0;
    for (size_t k = 0; k < v.size(); ++k) {
      if (next > 0 && v[next - 1].first == v[k].first) v[next - 1].second += v[k].second;
      else if (next++ != k) v[next - 1] = std::move(v[k]);
    }
    v.resize(next);
  }
  return std::move(vectors);
}

template <class C>
std::vector<SemiflowOf<C>> MinimalSupportMembers(std::vector<SemiflowOf<C>> vectors) {
  for (SemiflowOf<C>& s : vectors) Normalise(s);
  std::erase_if(vectors, [](const SemiflowOf<C>& s) { return s.empty(); });
  std::stable_sort(vectors.begin(), vectors.end(),
                   [](const SemiflowOf<C>& a, const SemiflowOf<C>& b) { return a.size() < b.size(); });
  // The elements by their positions of first appearance, flat per vector.
  IndexList elements;
  std::vector<int32_t> dense;
  std::vector<size_t> begin{0};
  for (const SemiflowOf<C>& s : vectors) {
    for (const auto& entry : s) dense.push_back(elements.Add(entry.first));
    begin.push_back(dense.size());
  }
  const std::vector<char> kept = KeptSupports(dense, begin, elements.size());
  size_t next = 0;
  for (size_t i = 0; i < vectors.size(); ++i) {
    if (!kept[i]) continue;
    if (next != i) vectors[next] = std::move(vectors[i]);
    ++next;
  }
  vectors.resize(next);
  return vectors;
}

template <class Set>
std::vector<size_t> CanonicalOrder(Set& set) {
  // Each semiflow under a key of its first numbers, which orders most pairs without a look at
  // their entries; equal keys are compared in full. A number counts in the key as its distance
  // from the least number plus one (none as 0, below any), in 16 bits when every distance fits
  // there (eight numbers to a key of two words, the usual case), else in 32 or 64.
  struct Keyed {
    uint64_t key[2];
    size_t at;
  };
  int64_t least = INT32_MAX, most = INT32_MIN;
  for (size_t i = 0; i < set.size(); ++i)
    for (const auto& entry : set[i]) {
      least = std::min<int64_t>(least, entry.first);
      most = std::max<int64_t>(most, entry.first);
    }
  const int64_t range = most - least + 1;
  const unsigned width = range < 0xFFFF ? 16 : range < 0xFFFFFFFF ? 32 : 64;
  std::vector<Keyed> keyed(set.size());
  for (size_t i = 0; i < set.size(); ++i) {
    auto&& s = set[i];
    std::sort(s.begin(), s.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    keyed[i].at = i;
    for (size_t word = 0, k = 0; word < 2; ++word) {
      uint64_t key = 0;
      for (size_t n = 0; n < 64 / width; ++n, ++k) {
        const uint64_t number = k < s.size() ? static_cast<uint64_t>(s[k].first - least + 1) : 0;
        key = width == 64 ? number : key << width | number;
      }
      keyed[i].key[word] = key;
    }
  }
  const Set& view = set;
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.key[0] != b.key[0]) return a.key[0] < b.key[0];
    if (a.key[1] != b.key[1]) return a.key[1] < b.key[1];
    return CanonicalLess(view[a.at], view[b.at]);
  });
  std::vector<size_t> order(set.size());
  for (size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].at;
  return order;
}

template <class Set>
SolutionDigest WriteSemiflows(std::FILE* file, const Set& set, const std::vector<size_t>& order) {
  SolutionDigest digest;
  IndexList covered;
  LineBlock block(file);
  for (size_t i = 0; i < order.size(); ++i) {
    // the solution number and its blank, the same for every line of the semiflow
    char number[32] = {};
    const size_t numbered = static_cast<size_t>(PutDecimal(number, i + 1) - number) + 1;
    number[numbered - 1] = ' ';
    if (!set[order[i]].empty()) digest.last = i + 1;
    for (const auto& [element, coefficient] : set[order[i]]) {
      if (coefficient > 0) covered.Add(element);
      char* at = block.Room(sizeof number + 12 + Digits(coefficient) + 1);
      std::memcpy(at, number, sizeof number);
      at = PutDecimal(at + numbered, element);
      *at++ = ' ';
      at = PutDecimal(at, coefficient);
      *at++ = '\n';
      block.Take(at);
    }
  }
  block.Flush();
  digest.covered = std::move(covered.ids);
  std::sort(digest.covered.begin(), digest.covered.end());
  return digest;
}

template struct VectorsOfLines<int64_t>;
template struct VectorsOfLines<mpz_class>;
template std::vector<Semiflow64> MinimalSupportMembers(std::vector<Semiflow64>);
template std::vector<Semiflow> MinimalSupportMembers(std::vector<Semiflow>);
template std::vector<size_t> CanonicalOrder(SemiflowSet<int32_t>&);
template std::vector<size_t> CanonicalOrder(SemiflowSet<int64_t>&);
template std::vector<size_t> CanonicalOrder(SemiflowSet<mpz_class>&);
template std::vector<size_t> CanonicalOrder(std::vector<Semiflow64>&);
template std::vector<size_t> CanonicalOrder(std::vector<Semiflow>&);
template SolutionDigest WriteSemiflows(std::FILE*, const SemiflowSet<int32_t>&, const std::vector<size_t>&);
template SolutionDigest WriteSemiflows(std::FILE*, const SemiflowSet<int64_t>&, const std::vector<size_t>&);
template SolutionDigest WriteSemiflows(std::FILE*, const SemiflowSet<mpz_class>&, const std::vector<size_t>&);
template SolutionDigest WriteSemiflows(std::FILE*, const std::vector<Semiflow>&, const std::vector<size_t>&);

}  // namespace pelorin
