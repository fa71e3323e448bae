// Seeded random sparse matrices for property tests, as element triples (Element of
// matrix/spm.h) and as the text of a matrix file.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "matrix/spm.h"

namespace pelorin::test {

// How a random matrix is drawn.
struct MatrixDraw {
  int size = 8;           // 1 to `size` rows, and as many columns
  int32_t rowSpread = 3;  // row k (from 1) is numbered k * rowSpread + shift + a draw below rowSpread
  int32_t colSpread = 5;  // column k likewise with colSpread
  int32_t shift = 0;
};

// A matrix with entries in -3..3: net-like columns (some rows take, some give) or plain noise,
// with scattered numbers, repeated cells and zeros, its lines shuffled.
std::vector<Element> RandomMatrix(std::mt19937& random, const MatrixDraw& draw = {});

// The lines "r c v\n" of `elements`.
std::string MatrixText(const std::vector<Element>& elements);

// The lines of `elements` as a reader may meet them: now and then a comment line (one of
// `comments`) or a blank line before an element, and a value 1 sometimes left out.
std::string NoisyMatrixText(const std::vector<Element>& elements, std::mt19937& random,
                            const std::vector<std::string>& comments = {"# note\n"});

}  // namespace pelorin::test
