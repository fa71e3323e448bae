// The clean-up that the table of work files drives: the chain's files go, the solution, M.h and
// the copies stay, numbered ones alike whether named one by one or found in the directory.
#include "run/workfiles.h"

#include "support/testutil.h"

namespace pelorin {
namespace {

TEST(CleanWorkFiles, RemovesTheDriversFilesOnly) {
  TempDir dir;
  const std::string m = dir / "M";
  for (const char* suffix : {".z", ".y", ".s", ".g", ".r", ".r0", ".u", ".h0", ".p", ".t", ".x", ".x1", ".y2", ".z1",
                             ".i2", ".i3", ".h", "-s1", "-i1", "-z1", ".inv", ""})
    WriteFile(m + suffix, "");
  CleanWorkFiles(2, m);
  EXPECT_EQ(ListFiles(dir.path()), (std::vector<std::string>{"M", "M-i1", "M-s1", "M-z1", "M.h", "M.i3", "M.inv"}));
}

// Many subnets: the numbered files are found in the directory; the same files go.
TEST(CleanWorkFiles, ManySubnetsRemoveTheSameFiles) {
  TempDir dir;
  const std::string m = dir / "M";
  for (const char* suffix : {".x1", ".y100", ".z77", ".i100", ".x007", ".i101", ".x0", ".x-1", ".q5", ".z", ".h", "-z3", ""})
    WriteFile(m + suffix, "");
  WriteFile(dir / "N.x5", "");
  CleanWorkFiles(100, m);
  EXPECT_EQ(ListFiles(dir.path()),
            (std::vector<std::string>{"M", "M-z3", "M.h", "M.i101", "M.q5", "M.x-1", "M.x0", "M.x007", "N.x5"}));
}

}  // namespace
}  // namespace pelorin
