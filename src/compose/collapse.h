// Collapse (cor) of the graph of subnets into the sequence of sequential composition.
//
// CollapseSequenceOf(strategy, graph, random) takes the graph of subnets, whose vertices are
// subnets and whose arcs carry the number of contact places two subnets share, and collapses it
// one arc at a time: every step picks an arc, records the two subnets it joins and fuses them
// into one vertex that keeps the smaller number. It returns the fusion set of every step, the
// pair {a, b} with a < b (the fused subnet keeps a); there are as many steps as subnets that
// have arcs, less the number of connected components.
//
// The graph is given as lines "u v w", an arc between subnets u and v with weight w, in any
// order of u and v (the graph "1 2 2", "3 2 1" holds the arcs (1, 2, 2) and (2, 3, 1); under the
// strategy "f" its steps are {1, 2}, {1, 3}). An arc from a subnet to itself, or a second arc
// between the same two subnets, ends the run (exit code 2) with "*** error input file: loop u v\n"
// or "*** error input file: duplicated arcs u v\n" (u and v as given); no memory for the arcs
// with "*** not enough memory for e\n" (exit code 1).
//
// The collapse: while arcs remain, the arcs are put in order of decreasing weight by a selection
// sort that is not stable (the first heaviest of the rest is swapped into place), one arc is
// chosen by the strategy, its two numbers are recorded, it is removed, every arc of the
// larger number b is moved to the smaller number a, and arcs that became parallel are combined
// into the earlier one with the sum of their weights. The chosen index (from 0) is given by the
// strategy (CollapseStrategy below), where r is the next number of the collapse's generator
// (one draw per step for 'm' and 'r').
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "matrix/spm.h"

namespace pelorin {

// Which arc of the sorted array a step takes; each strategy is named by its letter.
enum class CollapseStrategy : char {
  kFirst = 'f',          // index 0, the first heaviest arc (so does any other letter)
  kLast = 'i',           // the last arc, one of the lightest
  kDrawnHeaviest = 'm',  // DrawnIndex(k, r), k the number of arcs of the heaviest weight
  kDrawn = 'r',          // DrawnIndex(n, r) among all n arcs
};

// The generator of the drawn strategies, numbers 0..32767. Its state starts at 1 and is never
// seeded: state = state * 1103515245 + 12345 (mod 2^32), the number is (state / 65536) % 32768.
// Each collapse owns one, so that every run draws the same numbers.
struct CollapseRandom {
  uint32_t state = 1;
  int Next();
};

// The fusion sets of the steps that collapse `graph`, drawing from `random`.
std::vector<std::vector<int>> CollapseSequenceOf(CollapseStrategy strategy, const std::vector<Element>& graph,
                                                 CollapseRandom& random);

// The index chosen among k candidates by the draw r (0..32767): trunc(k * r / 32767.0) - 1,
// kept within 0..k-1. The last candidate is only chosen for r = 32767.
size_t DrawnIndex(size_t k, int r);

}  // namespace pelorin
