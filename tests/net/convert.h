// The net conversion seen through its work files, for the tests of the net readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/readnet.h"
#include "support/netfiles.h"
#include "support/testutil.h"

namespace pelorin::test {

// Converts `text` at digest detail; returns the matrix, the place names, the transition names
// and the summary's first line, split by "|". `format` receives the format recognised.
inline std::string ConvertNet(const std::string& text, NetFormat* format = nullptr) {
  TempDir dir;
  WriteFile(dir / "in", text);
  const NetSummary summary = ConvertNetFile(dir / "in", dir / "w", dir / "out", 0);
  if (format != nullptr) *format = summary.format;
  const std::string out = ReadFile(dir / "out");
  return ReadFile(dir / "w.spm") + "|" + ReadFile(dir / "w.nmp") + "|" + ReadFile(dir / "w.nmt") + "|" +
         out.substr(0, out.find('\n'));
}

// The summary of the conversion of `text` (its marking among it).
inline NetSummary ConvertedSummary(const std::string& text) {
  TempDir dir;
  WriteFile(dir / "in", text);
  return ConvertNetFile(dir / "in", dir / "w", dir / "out", 0);
}

// Expects the conversion of `text` to fail with `message` and `code`.
inline void ExpectNetRejected(const std::string& text, const std::string& message, int code = 2) {
  const Failure f = ExpectFailure([&] { ConvertNet(text); });
  EXPECT_EQ(f.message, message) << text;
  EXPECT_EQ(f.code, code) << text;
}

}  // namespace pelorin::test
