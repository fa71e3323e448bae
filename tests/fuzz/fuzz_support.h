// Shared pieces of the fuzz targets: a private work directory, splitting one input into several
// files, and running a stage where the only acceptable way to fail is the system's own failure
// path with a message that begins with "***".
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "matrix/failure.h"

namespace pelorin::fuzz {

// A work directory made once per process and emptied before every input.
inline const std::string& WorkDir() {
  static const std::string dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelorin-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return dir;
}

inline void ClearWorkDir() {
  for (const auto& entry : std::filesystem::directory_iterator(WorkDir())) std::filesystem::remove_all(entry.path());
}

inline std::string Path(const std::string& name) { return WorkDir() + "/" + name; }

inline void Write(const std::string& name, const std::string& content) {
  std::ofstream(Path(name), std::ios::binary) << content;
}

// Splits the input at each "\n%%\n" into at most `parts` pieces (missing pieces are empty).
inline std::vector<std::string> Split(const uint8_t* data, size_t size, size_t parts) {
  std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> pieces;
  size_t start = 0;
  while (pieces.size() + 1 < parts) {
    size_t at = all.find("\n%%\n", start);
    if (at == std::string::npos) break;
    pieces.push_back(all.substr(start, at + 1 - start));
    start = at + 4;
  }
  pieces.push_back(all.substr(start));
  pieces.resize(parts);
  return pieces;
}

// Runs a stage; a failure must carry a "***" message and a non-zero code (else: abort).
inline void Guard(const std::function<void()>& stage) {
  try {
    stage();
  } catch (const Failure& failure) {
    if (failure.message.compare(0, 3, "***") != 0 || failure.code == 0) std::abort();
  }
}

}  // namespace pelorin::fuzz
