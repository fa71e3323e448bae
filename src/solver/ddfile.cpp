// Minimal-support semiflows into the solution file: the lines of a matrix made into a system, its
// semiflows and the minimal supports of a basis written in canonical order (contract in dd.h).
// Reads lines in memory, writes the solution file.
#include <algorithm>
#include <new>
#include <unordered_map>
#include <utility>

#include "matrix/spm.h"
#include "matrix/textfile.h"
#include "matrix/failure.h"
#include "solver/dd.h"

namespace pelorin {

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

SolverFiles OpenSolverFiles(const std::vector<Element>& matrix, const std::string& output) {
  SolverFiles files{{}, {}, OpenFile(output, "w")};
  files.system = WithMemory("rays", [&] { return SystemOf(matrix, files.rows); });
  return files;
}

namespace {

// The semiflows of the system written to its solution file `output` in canonical order.
SolutionDigest SolveInto(SolverFiles& files, const std::string& output, ProgressObserver* progress) {
  const IndexList& rows = files.rows;
  const SparseSystem& system = files.system;
  File& out = files.out;
  ConeLimit limit;
  limit.progress = progress;
  return WithExtremeRays(system, limit, [&](auto& semiflows) {
    const std::vector<size_t> order = WithMemory("rays", [&] {
      for (auto& entry : semiflows.entries) entry.first = rows.ids[static_cast<size_t>(entry.first)];
      return CanonicalOrder(semiflows);
    });
    SolutionDigest digest = WithMemory("rays", [&] { return WriteSemiflows(out.get(), semiflows, order); });
    CloseFile(out, output);
    return digest;
  });
}

}  // namespace

SolutionDigest MinimalSemiflows(const std::vector<Element>& matrix, const std::string& output,
                                ProgressObserver* progress) {
  SolverFiles files = OpenSolverFiles(matrix, output);
  return SolveInto(files, output, progress);
}

SolutionDigest MinimalSupports(std::vector<Semiflow> vectors, const std::string& output) {
  std::vector<Semiflow> kept;
  const std::vector<size_t> order = WithMemory("rays", [&] {
    kept = MinimalSupportMembers(std::move(vectors));
    return CanonicalOrder(kept);
  });
  File out = OpenFile(output, "w");
  SolutionDigest digest = WithMemory("rays", [&] { return WriteSemiflows(out.get(), kept, order); });
  CloseFile(out, output);
  return digest;
}

SolutionDigest MinimalSupports(const std::vector<Element>& vectors, const std::string& output) {
  return MinimalSupports(WithMemory("rays", [&] {
                           VectorsOfLines<mpz_class> lines;
                           for (const Element& e : vectors) lines.Add(e.row, e.col, mpz_class(e.value));
                           return lines.Take();
                         }),
                         output);
}

}  // namespace pelorin
