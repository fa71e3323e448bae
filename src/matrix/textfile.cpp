// Owned streams, opening with the system's message, and whole-line reading.
#include "matrix/textfile.h"

#include "matrix/failure.h"

namespace pelorin {

File TryOpenFile(const std::string& name, const char* mode) { return File(std::fopen(name.c_str(), mode)); }

File OpenFile(const std::string& name, const char* mode) {
  File file = TryOpenFile(name, mode);
  if (!file) FailOpen(name);
  return file;
}

File OpenOutput(const std::string& name, const char* mode) {
  if (name == "-") return File(stdout);
  return OpenFile(name, mode);
}

bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  char chunk[4096];
  // The streams are not shared between threads: no locking per call.
  while (fgets_unlocked(chunk, sizeof chunk, file) != nullptr) {
    line += chunk;
    if (!line.empty() && line.back() == '\n') return true;
  }
  return !line.empty();
}

void WriteText(std::FILE* file, const std::string& text) { std::fwrite(text.data(), 1, text.size(), file); }

}  // namespace pelorin
