// Fuzz target: the net input, both formats, as a real run reads it: the net conversion into a
// private work directory (the report goes to a file there).
#include "fuzz_support.h"
#include "support/netfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin::fuzz;
  if (size > 16384) return 0;
  ClearWorkDir();
  Write("in", std::string(reinterpret_cast<const char*>(data), size));
  Guard([] { pelorin::ConvertNetFile(Path("in"), Path("w"), Path("out"), 1); });
  return 0;
}
