// The invariant computation driver and the readers of fusion sets.
#pragma once

#include <string>

namespace pelorin {

// Turns the matrix file into its solution basis: directly (mode 0), by simultaneous (1) or by
// sequential composition (2) of its minimal functional subnets.
int Pelorin(const std::string& matrix, const std::string& solution, int debug, int mode);

// Removes the driver's work files of `matrix`, numbered ones for 1..count.
void CleanWorkFiles(int count, const std::string& matrix);

// Copies line `step` of `sequence` into `buffer`; leaves it as it was when there is none.
int ReadFusionSet(const std::string& sequence, int step, std::string& buffer);

// The k-th blank-separated number of `line`, 0 past its end.
int NextFSN(const std::string& line, int k);

}  // namespace pelorin
