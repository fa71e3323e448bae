// The invariant computation driver: turns one sparse matrix file M into the file of its
// solution basis.
//
// Direct mode (0) solves M with `Toudic`. The composition modes decompose M into minimal
// functional subnets (M.z1 .. M.zK, the contact place list M.z, the graph M.p), solve each
// subnet into M.i1 .. M.iK and compose their bases:
//   mode 1, all at once: M.s (system) -> M.r0 -> M.r (with the unit solutions M.u); the joint
//           matrix M.g; the product M.h0; its minimal vectors M.h, which become the solution;
//   mode 2, pair by pair along the collapse sequence M.t: before each step the subnet f has its
//           matrix in M.yf and its basis in M.xf, and M.y lists the remaining contact places;
//           the members of the step become subnets 1, 2, ... (M.zj, M.ij), the same chain runs,
//           and M.h becomes the basis M.xk of the fused subnet k.
// At a debug level above 0 the driver keeps copies M-s1 (mode 1), M-sS, M-iS, M-zS (mode 2,
// step S); below level 2 it removes its work files at the end. Below level 2 the chain runs in
// memory and writes none of the other work files; the solution and the copies are the same.
// The contact place lists and the fusion sets of M.t are read with matrix/subnetfiles.h.
#pragma once

#include <string>

#include "matrix/progress.h"
#include "matrix/spm.h"

namespace pelorin {

// How the driver computes the semiflows.
enum Mode : int {
  kDirect = 0,        // Toudic's method on the whole matrix
  kSimultaneous = 1,  // "-c": all subnets composed at once
  kSequential = 2,    // "-s": subnets fused pair by pair along the collapse of their graph
};

// Turns the matrix file into its solution basis: directly (mode 0), by simultaneous (1) or by
// sequential composition (2) of its minimal functional subnets. Returns 0 in direct mode,
// 1 when the matrix is a single subnet, 0 after a composition. With `minimal`
// ("--minimal") every solver call computes minimal-support semiflows (MinimalSemiflows), the
// composed bases are reduced to minimal supports (MinimalSupports) instead of MinimizeBasis, and
// the solution file is the one canonical set in every mode; its digest then goes to `digest` when
// given, so that the run need not read the file back for its count and check.
// `progress`, when given, hears of the direct minimal-support solution.
int Pelorin(const std::string& matrix, const std::string& solution, int debug, Mode mode, bool minimal = false,
            SolutionDigest* digest = nullptr, ProgressObserver* progress = nullptr);

// The same through the work files at every debug level: each stage of the composition chain
// reads its inputs from files and writes its result to a file, as at level 2 and above. The
// solution file and the copies are the same as Pelorin's.
int PelorinThroughFiles(const std::string& matrix, const std::string& solution, int debug, Mode mode);

// Removes the driver's work files of `matrix`, numbered ones for 1..count; missing files are
// passed over. The solution file, M.h and the debug copies are left alone.
void CleanWorkFiles(int count, const std::string& matrix);

}  // namespace pelorin
