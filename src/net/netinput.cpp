// The input bytes and lines of the net readers (netinput.h).
#include "net/netinput.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <vector>

#include "matrix/failure.h"

namespace pelorin {

std::string ReadInput(std::FILE* in) {
  std::string text;
  struct stat info {};
  if (fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    text.resize(static_cast<size_t>(info.st_size));
    text.resize(std::fread(text.data(), 1, text.size(), in));
  }
  std::vector<char> chunk(65536);
  size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) text.append(chunk.data(), got);
  if (std::ferror(in)) Fail(kExitFile, "*** wrong input file\n");
  return text;
}

void Unmap::operator()(const char* data) const { munmap(const_cast<char*>(data), size); }

Mapping MapRegularFile(std::FILE* in) {
  struct stat info {};
  if (fstat(fileno(in), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return Mapping(nullptr, Unmap{});
  const auto size = static_cast<size_t>(info.st_size);
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(in), 0);
  if (data == MAP_FAILED) return Mapping(nullptr, Unmap{});
  return Mapping(static_cast<const char*>(data), Unmap{size});
}

bool NextLine(Lines& lines, std::string& line) {
  if (lines.start >= lines.text.size()) return false;
  size_t end = lines.text.find('\n', lines.start);
  end = end == std::string::npos ? lines.text.size() : end + 1;
  line.assign(lines.text, lines.start, end - lines.start);
  lines.start = end;
  if (line.back() != '\n') line += '\n';
  const size_t zero = line.find('\0');
  if (zero != std::string::npos) line.resize(zero);
  return true;
}

}  // namespace pelorin
