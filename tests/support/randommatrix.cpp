// Random sparse matrices for property tests (randommatrix.h).
#include "support/randommatrix.h"

#include <algorithm>
#include <numeric>

namespace pelorin::test {

std::vector<Element> RandomMatrix(std::mt19937& random, const MatrixDraw& draw) {
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  const int nrows = pick(1, draw.size), ncols = pick(1, draw.size);
  std::vector<int32_t> rowIds(static_cast<size_t>(nrows)), colIds(static_cast<size_t>(ncols));
  std::iota(rowIds.begin(), rowIds.end(), 1);
  std::iota(colIds.begin(), colIds.end(), 1);
  for (int32_t& id : rowIds) id = id * draw.rowSpread + draw.shift + pick(0, draw.rowSpread - 1);
  for (int32_t& id : colIds) id = id * draw.colSpread + draw.shift + pick(0, draw.colSpread - 1);
  std::vector<Element> elements;
  const bool netLike = pick(0, 3) != 0;
  for (int32_t col : colIds) {
    for (int32_t row : rowIds) {
      int value = pick(-3, 3);
      if (netLike) value = pick(0, 2) == 0 ? value : 0;
      if (value == 0 && pick(0, 5) != 0) continue;
      if (pick(0, 6) == 0) elements.push_back({row, col, value == 0 ? 1 : -value});
      elements.push_back({row, col, value});
    }
  }
  std::shuffle(elements.begin(), elements.end(), random);
  return elements;
}

std::string MatrixText(const std::vector<Element>& elements) {
  std::string text;
  for (const Element& e : elements)
    text += std::to_string(e.row) + " " + std::to_string(e.col) + " " + std::to_string(e.value) + "\n";
  return text;
}

std::string NoisyMatrixText(const std::vector<Element>& elements, std::mt19937& random,
                            const std::vector<std::string>& comments) {
  std::string text;
  for (const Element& e : elements) {
    if (random() % 6 == 0) {
      const size_t which = random() % (comments.size() + 1);
      text += which < comments.size() ? comments[which] : "\n";
    }
    text += std::to_string(e.row) + " " + std::to_string(e.col);
    if (e.value != 1 || random() % 2 == 0) text.append(" ").append(std::to_string(e.value));
    text += "\n";
  }
  return text;
}

}  // namespace pelorin::test
