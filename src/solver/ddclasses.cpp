// Minimal-support semiflows in classes of parallel variables (contract in ddclasses.h): the
// folded system solved without expansion, its class table and its semiflows written to a
// solution file. Reads lines in memory, writes the solution file.
#include "solver/ddclasses.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "matrix/failure.h"
#include "matrix/textfile.h"
#include "solver/dd.h"

namespace pelorin {

namespace {

// The members of each class as row numbers, increasing.
std::vector<std::vector<int32_t>> MembersByNumber(const ParallelClasses& classes, const IndexList& rows) {
  std::vector<std::vector<int32_t>> members(classes.members.size());
  for (size_t c = 0; c < members.size(); ++c) {
    for (int32_t position : classes.members[c]) members[c].push_back(rows.ids[static_cast<size_t>(position)]);
    std::sort(members[c].begin(), members[c].end());
  }
  return members;
}

// The class table lines, the classes of more than one member by their first.
void WriteClassTable(std::FILE* out, std::vector<std::vector<int32_t>> members) {
  std::sort(members.begin(), members.end());
  for (const std::vector<int32_t>& m : members) {
    if (m.size() < 2) continue;
    std::string line = "#class";
    for (int32_t number : m) line += " " + std::to_string(number);
    WriteText(out, line + "\n");
  }
}

// Names the semiflows' variables by the first members of their classes, writes them and
// completes the digest: the count of semiflows they stand for and every member covered.
template <class Set>
ClassDigest WriteClassSemiflows(std::FILE* out, Set& semiflows, const std::vector<std::vector<int32_t>>& members) {
  ClassDigest result;
  for (size_t i = 0; i < semiflows.size(); ++i) {
    mpz_class choices = 1;
    for (auto& entry : semiflows[i]) {
      const std::vector<int32_t>& m = members[static_cast<size_t>(entry.first)];
      choices *= static_cast<unsigned long>(m.size());
      entry.first = m.front();
    }
    result.count += choices;
  }
  const std::vector<size_t> order = CanonicalOrder(semiflows);
  result.digest = WriteSemiflows(out, semiflows, order);
  std::vector<int32_t> covered;
  for (const std::vector<int32_t>& m : members)
    if (std::binary_search(result.digest.covered.begin(), result.digest.covered.end(), m.front()))
      covered.insert(covered.end(), m.begin(), m.end());
  std::sort(covered.begin(), covered.end());
  result.digest.covered = std::move(covered);
  return result;
}

// The classes and the semiflows of the folded system written to the solution file `output`.
ClassDigest WriteClasses(SolverFiles& files, const std::string& output, ProgressObserver* progress) {
  const IndexList& rows = files.rows;
  File& out = files.out;
  ParallelClasses classes = ParallelClassesOf(files.system);
  const std::vector<std::vector<int32_t>> members = WithMemory("rays", [&] { return MembersByNumber(classes, rows); });
  // The folded system with classes of one variable each: its rays are not expanded.
  ParallelClasses folded;
  folded.reduced = std::move(classes.reduced);
  for (size_t c = 0; c < members.size(); ++c) folded.members.push_back({static_cast<int32_t>(c)});
  WriteClassTable(out.get(), members);
  auto finish = [&](auto& semiflows) {
    return WithMemory("rays", [&] { return WriteClassSemiflows(out.get(), semiflows, members); });
  };
  ConeLimit limit;
  limit.progress = progress;
  ClassDigest result;
  if (std::optional<Rays64> narrow = ExtremeRays64(folded, limit)) {
    result = std::visit(finish, *narrow);
  } else {
    SemiflowSet<mpz_class> wide = ExtremeRaysWide(folded, limit);
    result = finish(wide);
  }
  CloseFile(out, output);
  return result;
}

}  // namespace

ClassDigest MinimalSemiflowClasses(const std::vector<Element>& matrix, const std::string& output,
                                   ProgressObserver* progress) {
  SolverFiles files = OpenSolverFiles(matrix, output);
  return WriteClasses(files, output, progress);
}

}  // namespace pelorin
