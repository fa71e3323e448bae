// Owned streams, opening with the system's message, and whole-line reading.
#include "matrix/textfile.h"

#include <sys/stat.h>

#include "run/failure.h"

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
  while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
    line += chunk;
    if (!line.empty() && line.back() == '\n') return true;
  }
  return !line.empty();
}

void WriteText(std::FILE* file, const std::string& text) { std::fwrite(text.data(), 1, text.size(), file); }

std::string ReadWholeFile(const std::string& name) {
  File file = OpenFile(name, "r");
  std::string text;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, got);
  return text;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat sa {}, sb {};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace pelorin
