// The file form of the net conversion, for the tests and the fuzz targets: the conversion as a
// run with a text report makes it (net/readnet.h, ConvertNet), the report being the file
// `output`.
//
// ConvertNetFile(input, base, output, detail) reads the net `input` ("-" is standard input),
// writes base.spm, base.nmp and base.nmt, appends the net summary (and, when `detail` is not 0,
// the echo of the net) to `output` ("-" is standard output) and returns the summary. Failures
// are the conversion's.
#pragma once

#include <string>

#include "net/readnet.h"

namespace pelorin::test {

NetSummary ConvertNetFile(const std::string& input, const std::string& base, const std::string& output, int detail);

}  // namespace pelorin::test

namespace pelorin {

using test::ConvertNetFile;

}  // namespace pelorin
