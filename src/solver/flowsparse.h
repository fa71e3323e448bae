// Sparse vectors and the working vectors of the flow solver (solver/flows.cpp): a combination
// of two sparse vectors with checked arithmetic, a dense accumulator that remembers the
// positions it touched, and a queue that visits rows by their number.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "matrix/exactint.h"

namespace pelorin::flowsparse {

using exact::MulAdd;
using exact::Neg;

// A sparse vector: (position, value) by increasing position, values not 0.
template <class T>
using Sparse = std::vector<std::pair<int32_t, T>>;

// a*x + b*y of two sparse vectors.
template <class T>
Sparse<T> Combine(const T& a, const Sparse<T>& x, const T& b, const Sparse<T>& y) {
  Sparse<T> out;
  out.reserve(x.size() + y.size());
  size_t i = 0, j = 0;
  while (i < x.size() || j < y.size()) {
    T v;
    int32_t at;
    if (j == y.size() || (i < x.size() && x[i].first < y[j].first)) {
      at = x[i].first;
      v = MulAdd(a, x[i++].second, T(0), T(0));
    } else if (i == x.size() || y[j].first < x[i].first) {
      at = y[j].first;
      v = MulAdd(T(0), T(0), b, y[j++].second);
    } else {
      at = x[i].first;
      v = MulAdd(a, x[i++].second, b, y[j++].second);
    }
    if (v != 0) out.emplace_back(at, std::move(v));
  }
  return out;
}

template <class T>
void Negate(Sparse<T>& x) {
  for (auto& entry : x) entry.second = Neg(entry.second);
}

// A dense working vector with the list of its touched positions; `onTouch`(position) is called
// when a position is touched for the first time.
template <class T>
struct Accumulator {
  std::vector<T> value;
  std::vector<char> touched;
  std::vector<int32_t> list;
  explicit Accumulator(size_t size) : value(size, T(0)), touched(size, 0) {}
  // Room for positions below `size`.
  void Grow(size_t size) {
    if (size <= value.size()) return;
    value.resize(size, T(0));
    touched.resize(size, 0);
  }
  template <class OnTouch>
  void AddScaled(const Sparse<T>& x, const T& factor, OnTouch&& onTouch) {
    for (const auto& [at, v] : x) {
      const size_t k = static_cast<size_t>(at);
      value[k] = MulAdd(value[k], T(1), factor, v);
      if (!touched[k]) {
        touched[k] = 1;
        list.push_back(at);
        onTouch(at);
      }
    }
  }
  // The non-zero entries, sorted; the accumulator is left empty.
  Sparse<T> Take() {
    std::sort(list.begin(), list.end());
    Sparse<T> out;
    for (int32_t at : list) {
      const size_t k = static_cast<size_t>(at);
      if (value[k] != 0) out.emplace_back(at, std::move(value[k]));
      value[k] = T(0);
      touched[k] = 0;
    }
    list.clear();
    return out;
  }
};

// The rows or vectors that lead at given positions, visited in order of their number (the
// smallest first, or with std::less the largest): a queue of numbers, each at most once until
// it is taken.
template <class Order = std::greater<int32_t>>
struct LeaderQueue {
  std::priority_queue<int32_t, std::vector<int32_t>, Order> heap;
  std::vector<char> queued;
  void Push(int32_t k) {
    if (static_cast<size_t>(k) >= queued.size()) queued.resize(static_cast<size_t>(k) + 1, 0);
    if (queued[static_cast<size_t>(k)]) return;
    queued[static_cast<size_t>(k)] = 1;
    heap.push(k);
  }
  bool Pop(int32_t& k) {
    if (heap.empty()) return false;
    k = heap.top();
    heap.pop();
    queued[static_cast<size_t>(k)] = 0;
    return true;
  }
};

}  // namespace pelorin::flowsparse
