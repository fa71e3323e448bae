// Fuzz target: the PNML reader, as a real run reads a net: the net conversion into a private
// work directory (the report goes to a file there). Inputs that are no PNML by the recognition
// rule are left to fuzz_net.
#include "fuzz_support.h"
#include "net/pnml.h"
#include "support/netfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin::fuzz;
  if (size > 65536) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!pelorin::IsPnml(text)) return 0;
  ClearWorkDir();
  Write("in", text);
  Guard([] { pelorin::ConvertNetFile(Path("in"), Path("w"), Path("out"), 1); });
  return 0;
}
