// The file form of the net conversion (netfiles.h).
#include "support/netfiles.h"

namespace pelorin::test {

NetSummary ConvertNetFile(const std::string& input, const std::string& base, const std::string& output, int detail) {
  return ConvertNet(input, base, &output, detail).summary;
}

}  // namespace pelorin::test
