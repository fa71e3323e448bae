// Fuzz target: whole runs on small nets. The first byte chooses P or T, the composition mode
// and the detail; the rest is the net. Nothing may be written outside the work directory.
#include "fuzz_support.h"
#include "run/cli.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin::fuzz;
  if (size < 1 || size > 400) return 0;
  ClearWorkDir();
  Write("in.net", std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  std::vector<std::string> words = {(data[0] & 1) ? "-T" : "-P", (data[0] & 2) ? "-q" : "-v", "-w", Path("w"),
                                    Path("in.net"), Path("report")};
  if (data[0] & 4) words.insert(words.begin(), (data[0] & 8) ? "-s" : "-c");
  static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;  // no messages on the console
  (void)quiet;
  const int code = pelorin::RunPelorin(words);
  if (code < 0 || code > 5) std::abort();
  return 0;
}
