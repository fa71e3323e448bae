// The minimal-support solver on the nets of the corpus, P and T: the matrix itself and each of its
// lattice forms alone give the same set wherever they finish within a cone of 10000 rays, and
// every semiflow of it solves the matrix. Skipped when the corpus (../shared/nets beside the
// source tree) is not there.
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>

#include "net/readnet.h"
#include "solver/dd.h"
#include "support/testutil.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;

std::string CorpusDir() {
  for (const std::string& dir : {test::SourcePath("../shared/nets"), std::string("/work/shared/nets")}) {
    struct stat info {};
    if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
  }
  return "";
}

// The rays of one form, each sorted by variable, in sorted order; nothing when the cone grows
// beyond the limit.
std::optional<std::vector<Semiflow>> RaysOfForm(const SparseSystem& s, unsigned form) {
  try {
    std::vector<Semiflow> rays = ExtremeRays(s, {10000, SIZE_MAX, nullptr, form});
    for (Semiflow& r : rays) std::sort(r.begin(), r.end());
    std::sort(rays.begin(), rays.end());
    return rays;
  } catch (const ConeLimitExceeded&) {
    return std::nullopt;
  }
}

void ExpectSolutions(const SparseSystem& s, const std::vector<Semiflow>& rays) {
  for (const Semiflow& r : rays) {
    std::map<int32_t, mpz_class> sum;
    for (const auto& [v, y] : r)
      for (const auto& [c, a] : s.rows[static_cast<size_t>(v)]) sum[c] += y * mpz_class(static_cast<long>(a));
    for (const auto& [c, x] : sum) ASSERT_EQ(x, 0) << "equation " << c;
  }
}

TEST(MinimalForms, AgreeOnTheCorpus) {
  const std::string dir = CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "no corpus beside the source tree";
  test::TempDir work;
  size_t compared = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string net = entry.path().string();
    if (entry.path().extension() != ".net" && entry.path().extension() != ".ndr") continue;
    if (entry.file_size() > 50000) continue;
    SCOPED_TRACE(entry.path().filename().string());
    const NetConversion conversion = ConvertNet(net, work / "w", nullptr, 0);
    for (const bool places : {true, false}) {
      std::vector<Element> lines = conversion.incidence;
      if (!places)
        for (Element& e : lines) std::swap(e.row, e.col);
      IndexList rows;
      const SparseSystem s = SystemOf(lines, rows);
      const std::optional<std::vector<Semiflow>> plain = RaysOfForm(s, kSystemForm);
      for (const unsigned form : {kFirstFreeForm, kLastFreeForm}) {
        const std::optional<std::vector<Semiflow>> lattice = RaysOfForm(s, form);
        if (plain && lattice) {
          EXPECT_EQ(*plain, *lattice) << (places ? "P" : "T") << ", form " << form;
          ++compared;
        }
        if (lattice) ExpectSolutions(s, *lattice);
      }
    }
  }
  RecordProperty("compared", static_cast<int>(compared));
  EXPECT_GT(compared, 0u);
}

}  // namespace
}  // namespace pelorin
