// Fuzz target: the scan of the command line; the words are the input split at NUL bytes.
#include "fuzz_support.h"
#include "run/cli.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin::fuzz;
  if (size > 4096) return 0;
  std::vector<std::string> words;
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  if (!word.empty()) words.push_back(word);
  Guard([&] { pelorin::ScanCommandLine(words); });
  return 0;
}
