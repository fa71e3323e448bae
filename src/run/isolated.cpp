// Nodes without arcs and their unit semiflows (contract in isolated.h).
#include "run/isolated.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "matrix/failure.h"
#include "matrix/textfile.h"

namespace pelorin {

namespace {

// Writes the unit semiflow of `unit` as semiflow `number`.
void WriteUnit(std::FILE* out, size_t number, int32_t unit) {
  WriteText(out, std::to_string(number) + " " + std::to_string(unit) + " 1\n");
}

}  // namespace

std::vector<int32_t> NodesWithoutArcs(const std::vector<Element>& matrix, int32_t nodes) {
  return WithMemory("rows", [&] {
    std::vector<char> row(static_cast<size_t>(std::max(nodes, 0)) + 1, 0);
    for (const Element& e : matrix)
      if (e.row >= 1 && e.row <= nodes) row[static_cast<size_t>(e.row)] = 1;
    std::vector<int32_t> without;
    for (int32_t i = 1; i <= nodes; ++i)
      if (!row[static_cast<size_t>(i)]) without.push_back(i);
    return without;
  });
}

std::vector<int32_t> NodesUnchanged(const std::vector<Element>& matrix, int32_t nodes) {
  return WithMemory("rows", [&] {
    std::vector<Element> cells(matrix);
    std::sort(cells.begin(), cells.end(),
              [](const Element& a, const Element& b) { return a.row != b.row ? a.row < b.row : a.col < b.col; });
    std::vector<char> changed(static_cast<size_t>(std::max(nodes, 0)) + 1, 0);
    for (size_t i = 0; i < cells.size();) {  // one cell: the lines of one row and column
      int64_t sum = 0;
      size_t end = i;
      for (; end < cells.size() && cells[end].row == cells[i].row && cells[end].col == cells[i].col; ++end)
        sum += cells[end].value;
      if (sum != 0 && cells[i].row >= 1 && cells[i].row <= nodes) changed[static_cast<size_t>(cells[i].row)] = 1;
      i = end;
    }
    std::vector<int32_t> unchanged;
    for (int32_t i = 1; i <= nodes; ++i)
      if (!changed[static_cast<size_t>(i)]) unchanged.push_back(i);
    return unchanged;
  });
}

void AddUnitSemiflows(const MainFiles& files, const std::vector<int32_t>& units, SolutionDigest& digest) {
  if (units.empty()) return;
  const std::string& solution = files.solution;
  const std::string& written = files.withUnits;
  {
    File in = OpenFile(solution, "r");
    File out = OpenFile(written, "w");
    size_t next = 0, added = 0;  // the next unit to place, the units placed
    int32_t current = 0;         // the number of the semiflow being copied, 0 before the first
    ForEachDataLine(
        in.get(), CommentRule::kHash, 1,
        [&](std::string_view line, long number) {
          const WideElement e = ParseWideElementLine(line, solution, number);
          if (e.row != current) {
            current = e.row;
            for (; next < units.size() && units[next] < e.col; ++next)
              WriteUnit(out.get(), e.row + added++, units[next]);
          }
          WriteText(out.get(), std::to_string(e.row + added) + " " + std::to_string(e.col) + " " + e.value + "\n");
        },
        [&](std::string_view line) {
          WriteText(out.get(), line);
          if (!line.ends_with('\n')) WriteText(out.get(), "\n");
        });
    for (; next < units.size(); ++next) WriteUnit(out.get(), digest.last + ++added, units[next]);
    CloseFile(out, written);
  }
  if (std::rename(written.c_str(), solution.c_str()) != 0) FailWrite(solution, errno);
  digest.last += units.size();
  WithMemory("rows", [&] {
    std::vector<int32_t> covered;
    std::merge(digest.covered.begin(), digest.covered.end(), units.begin(), units.end(), std::back_inserter(covered));
    digest.covered = std::move(covered);
  });
}

}  // namespace pelorin
