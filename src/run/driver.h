// The invariant computation driver (historically "ana"): turns the lines of one sparse matrix M
// into the file of its solution basis.
//
// Direct mode (0) solves M with `Toudic`. The composition modes decompose M into minimal
// functional subnets (the values of the decomposition: subnets, contact places, graph of
// subnets), solve each subnet and compose their bases, each stage handing its value to the next:
//   mode 1, all at once: contact places and bases -> composition system and unit solutions ->
//           its solutions -> those with the unit solutions; the joint matrix of the bases; their
//           product; its minimal vectors, which become the solution;
//   mode 2, pair by pair along the collapse sequence of the graph of subnets: each step fuses
//           its members by the same chain into one subnet, whose basis is the composed one.
// The work files are the record of the run (run/workfiles.h has the table): from debug level 2
// the chain leaves every one of them, named from M, with the bytes a chain of file stages would
// leave (M.z1.., M.i1.., M.z, M.p; M.s, M.u, M.r0, M.r, M.g, M.h0; for mode 2 M.y, M.t, M.yN,
// M.xN); from level 1 the copies M-s1 (mode 1), M-sS, M-iS, M-zS (mode 2, step S); below level 2
// it removes the chain's files of earlier runs at the end. The level decides only which records
// are kept: limits, fallbacks and results are the same at every level.
#pragma once

#include <string>
#include <vector>

#include "matrix/progress.h"
#include "matrix/spm.h"

namespace pelorin {

// How the driver computes the semiflows.
enum Mode : int {
  kDirect = 0,        // Toudic's method on the whole matrix
  kSimultaneous = 1,  // "-c": all subnets composed at once
  kSequential = 2,    // "-s": subnets fused pair by pair along the collapse of their graph
};

// Turns the lines of the matrix M into its solution basis, the file `solution`: directly (mode
// 0), by simultaneous (1) or by sequential composition (2) of its minimal functional subnets;
// `matrix` is the name of M, from which the work files are named. Returns 0 in direct mode,
// 1 when the matrix is a single subnet, 0 after a composition. With `minimal`
// ("--minimal") every solver call computes minimal-support semiflows (MinimalSemiflows), the
// composed bases are reduced to minimal supports (MinimalSupports) instead of MinimalBasisOf, and
// the solution file is the one canonical set in every mode; its digest then goes to `digest` when
// given, so that the run need not read the file back for its count and check.
// `progress`, when given, hears of every part: the decomposition, each subnet, the composition
// (or each step of it) and the solvers' equations within them.
int SolveInvariants(const std::vector<Element>& lines, const std::string& matrix, const std::string& solution,
                    int debug, Mode mode, bool minimal = false, SolutionDigest* digest = nullptr,
                    ProgressObserver* progress = nullptr);

}  // namespace pelorin
