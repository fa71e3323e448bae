// Independent checks of solution files.
#include "support/semiflows.h"

#include <algorithm>
#include <numeric>

#include "matrix/spm.h"

namespace pelorin::test {

__extension__ typedef __int128 Wide;

std::vector<Vector> ReadBasis(const std::string& solutionFile) {
  std::map<int32_t, Vector> byNumber;
  for (const Element& e : ReadElementsFile(solutionFile)) byNumber[e.row][e.col] += e.value;
  std::vector<Vector> basis;
  for (auto& [number, vector] : byNumber) basis.push_back(vector);
  return basis;
}

namespace {

bool Above(const Vector& a, const Vector& b) {  // a >= b componentwise
  for (const auto& [element, value] : b) {
    auto it = a.find(element);
    if (it == a.end() || it->second < value) return false;
  }
  return true;
}

std::set<int32_t> Support(const Vector& v) {
  std::set<int32_t> s;
  for (const auto& [element, value] : v)
    if (value != 0) s.insert(element);
  return s;
}

}  // namespace

std::string CheckBasis(const std::string& matrixFile, const std::string& solutionFile) {
  std::map<int32_t, std::map<int32_t, int64_t>> rows;  // row -> column -> value
  for (const Element& e : ReadElementsFile(matrixFile)) rows[e.row][e.col] += e.value;
  const std::vector<Vector> basis = ReadBasis(solutionFile);
  for (size_t i = 0; i < basis.size(); ++i) {
    std::map<int32_t, Wide> product;
    for (const auto& [element, y] : basis[i]) {
      if (y <= 0) return "solution " + std::to_string(i + 1) + " has a coefficient <= 0";
      auto row = rows.find(element);
      if (row == rows.end()) return "solution " + std::to_string(i + 1) + " names an unknown row";
      for (const auto& [col, value] : row->second) product[col] += Wide(y) * value;
    }
    for (const auto& [col, sum] : product)
      if (sum != 0) return "solution " + std::to_string(i + 1) + " is no semiflow (column " + std::to_string(col) + ")";
  }
  // No solution above another: only the solutions holding the rarest element of solution j can
  // lie above it.
  std::map<int32_t, std::vector<size_t>> holders;
  for (size_t i = 0; i < basis.size(); ++i)
    for (const auto& [element, value] : basis[i]) holders[element].push_back(i);
  for (size_t j = 0; j < basis.size(); ++j) {
    const std::vector<size_t>* rarest = nullptr;
    for (const auto& [element, value] : basis[j])
      if (rarest == nullptr || holders[element].size() < rarest->size()) rarest = &holders[element];
    if (rarest == nullptr) continue;
    for (size_t i : *rarest)
      if (i != j && Above(basis[i], basis[j]))
        return "solution " + std::to_string(i + 1) + " lies above solution " + std::to_string(j + 1);
  }
  return "";
}

std::set<Vector> MinimalSupportSemiflows(const std::vector<Vector>& basis) {
  std::vector<std::set<int32_t>> supports;
  std::map<int32_t, std::vector<size_t>> holders;
  for (size_t i = 0; i < basis.size(); ++i) {
    supports.push_back(Support(basis[i]));
    for (int32_t element : supports[i]) holders[element].push_back(i);
  }
  // A support holding the support of j strictly is not minimal; it holds j's rarest element.
  std::vector<char> minimal(basis.size(), 1);
  for (size_t j = 0; j < basis.size(); ++j) {
    const std::vector<size_t>* rarest = nullptr;
    for (int32_t element : supports[j])
      if (rarest == nullptr || holders[element].size() < rarest->size()) rarest = &holders[element];
    if (rarest == nullptr) continue;
    for (size_t i : *rarest)
      if (supports[i].size() > supports[j].size() &&
          std::includes(supports[i].begin(), supports[i].end(), supports[j].begin(), supports[j].end()))
        minimal[i] = 0;
  }
  std::set<Vector> result;
  for (size_t i = 0; i < basis.size(); ++i) {
    if (!minimal[i]) continue;
    int64_t g = 0;
    for (const auto& [element, value] : basis[i]) g = std::gcd(g, value);
    Vector normal;
    for (const auto& [element, value] : basis[i])
      if (value != 0) normal[element] = value / g;
    result.insert(normal);
  }
  return result;
}

}  // namespace pelorin::test
