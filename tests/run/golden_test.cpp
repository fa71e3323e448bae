// Golden reports: the built Pelorin on the nets of examples/ in every mode, P and T, full and
// digest; the report (time line masked) must equal the file in tests/run/golden byte for byte,
// and only the input may be left behind. The help texts and the version line likewise.
// PELORIN_REGOLD=1 rewrites the golden files.
#include <algorithm>
#include <cstdlib>

#include "support/testutil.h"

namespace pelorin {
namespace {

struct Variant {
  const char* name;
  std::vector<std::string> args;
};

const Variant kVariants[] = {
    {"P", {}},
    {"T", {"-T"}},
    {"Pc", {"-c", "-q"}},
    {"Ps", {"-s", "-q"}},
    {"Tc", {"-T", "-c", "-q"}},
    {"Ts", {"-T", "-s", "-q"}},
};

class Golden : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden, ReportsOfEveryMode) {
  const std::string net = GetParam();
  for (const Variant& v : kVariants) {
    TempDir dir;
    test::WriteFile(dir / net, ReadFile(test::SourcePath("examples/" + net)));
    std::vector<std::string> args = v.args;
    args.push_back(net);
    test::RunResult r = test::RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 0) << v.name;
    EXPECT_EQ(test::ListFiles(dir.path()), std::vector<std::string>{net}) << v.name;
    const std::string golden = test::SourcePath("tests/run/golden/" + net + "." + v.name);
    if (std::getenv("PELORIN_REGOLD") != nullptr) test::WriteFile(golden, test::MaskTime(r.out));
    EXPECT_EQ(test::MaskTime(r.out), ReadFile(golden)) << net << " " << v.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, Golden,
                         ::testing::Values("demo.net", "mutex.net", "philosophers3.net", "pipeline.ndr"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '.') c = '_';
                           return name;
                         });

// The help texts and the version line, byte for byte; the JSON report states the same version.
TEST(HelpAndVersion, ByteForByte) {
  TempDir dir;
  for (const auto& [args, name] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"-h"}, "help"}, {{"-q", "-help", "x", "y", "z"}, "help"}, {{"--help"}, "help-extended"},
           {{"--version"}, "version"}, {{"-T", "--version", "-h"}, "version"}}) {
    test::RunResult r = test::RunPelorinBinary(args, dir.path());
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_EQ(r.err, "") << name;
    const std::string golden = test::SourcePath("tests/run/golden/" + name);
    if (std::getenv("PELORIN_REGOLD") != nullptr) test::WriteFile(golden, r.out);
    EXPECT_EQ(r.out, ReadFile(golden)) << name;
  }
  EXPECT_TRUE(test::ListFiles(dir.path()).empty());
  test::WriteFile(dir / "demo.net", ReadFile(test::SourcePath("examples/demo.net")));
  const std::string json = test::RunPelorinBinary({"--json", "demo.net"}, dir.path()).out;
  const std::string version = ReadFile(test::SourcePath("tests/run/golden/version"));
  EXPECT_NE(json.find("\"version\": \"" + version.substr(8, version.size() - 9) + "\",\n"), std::string::npos) << json;
}

// A net that is a single subnet: the composition modes end after solving it; at debug level 2
// the driver's files stay, below it none of them does.
TEST(SingleSubnet, CompositionModesAndDebugLevels) {
  const char* const net = "tr a p -> q\ntr b p -> q\n";  // a and b share both places
  for (const char* mode : {"-c", "-s"}) {
    TempDir dir;
    test::WriteFile(dir / "n.net", net);
    test::RunResult r = test::RunPelorinBinary({mode, "-q", "-d", "1", "-o", "inv", "n.net"}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(dir / "inv"), "1 1 1\n1 2 1\n");
    EXPECT_EQ(test::ListFiles(dir.path()),
              (std::vector<std::string>{"__n.net.nmp", "__n.net.nmt", "__n.net.spm", "inv", "n.net"}));
    test::RunPelorinBinary({mode, "-q", "-d", "2", "-o", "inv", "n.net"}, dir.path());
    // The subnet's basis became the solution; its matrix stays as M.z1 (M.y1 in sequential mode).
    const std::string matrix = mode[1] == 'c' ? "__n.net.spm.z1" : "__n.net.spm.y1";
    std::vector<std::string> kept = {"__n.net.nmp", "__n.net.nmt", "__n.net.spm", "__n.net.spm.p",
                                     "__n.net.spm.z", matrix, "inv", "n.net"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(test::ListFiles(dir.path()), kept) << mode;
    EXPECT_EQ(ReadFile(dir / "__n.net.spm.z"), "1\n");
    EXPECT_EQ(ReadFile(dir / "__n.net.spm.p"), "");
  }
}

}  // namespace
}  // namespace pelorin
