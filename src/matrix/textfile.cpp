// Owned streams, opening with the system's message, and whole-line reading.
#include "matrix/textfile.h"

#include "matrix/failure.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdio_ext.h>
#include <sys/types.h>

namespace pelorin {

namespace {

// A line holding NUL bytes is read in pieces of this many bytes less one (see ReadLine).
constexpr size_t kChunk = 4096;

// Appends a physical line (up to and with its line feed) to `line`: whole when it holds no NUL
// byte, else each piece up to its first NUL.
void AppendLine(std::string& line, std::string_view physical) {
  if (std::memchr(physical.data(), '\0', physical.size()) == nullptr) {
    line.append(physical);
    return;
  }
  for (size_t start = 0; start < physical.size(); start += kChunk - 1) {
    const size_t length = std::min(kChunk - 1, physical.size() - start);
    line.append(physical.data() + start, strnlen(physical.data() + start, length));
  }
}

}  // namespace

File TryOpenFile(const std::string& name, const char* mode) {
  File file(std::fopen(name.c_str(), mode));
  // one thread runs the whole pipeline: the stream needs no lock around each call
  if (file) __fsetlocking(file.get(), FSETLOCKING_BYCALLER);
  return file;
}

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
  // getline's buffer, kept between calls (the streams are read by one thread at a time)
  struct Buffer {
    char* data = nullptr;
    size_t capacity = 0;
    ~Buffer() { std::free(data); }
  };
  thread_local Buffer buffer;
  line.clear();
  for (;;) {
    const ssize_t read = getline(&buffer.data, &buffer.capacity, file);
    if (read <= 0) return !line.empty();
    // when the last piece loses the line feed to a NUL, the line runs on into the next one
    AppendLine(line, std::string_view(buffer.data, static_cast<size_t>(read)));
    if (!line.empty() && line.back() == '\n') return true;
  }
}

bool LineReader::Fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    nul_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(2 * buffer_.size());
  const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  const bool clean = nul_ == end_;
  end_ += got;
  if (clean) nul_ = FirstNul(end_ - got);
  return got > 0;
}

size_t LineReader::FirstNul(size_t from) const {
  const void* nul = std::memchr(buffer_.data() + from, '\0', end_ - from);
  return nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - buffer_.data()) : end_;
}

bool LineReader::Next(std::string_view& line) {
  bool joining = false;  // pieces of earlier lines are in joined_
  for (;;) {
    size_t scanned = begin_;
    const char* feed = nullptr;
    while ((feed = static_cast<const char*>(std::memchr(buffer_.data() + scanned, '\n', end_ - scanned))) == nullptr) {
      scanned = end_ - begin_;  // Fill moves the unread part to the front
      if (!Fill()) break;
    }
    const size_t stop = feed != nullptr ? static_cast<size_t>(feed - buffer_.data()) + 1 : end_;
    if (stop == begin_) {  // the end of the stream
      line = joined_;
      return joining && !joined_.empty();
    }
    const std::string_view physical(buffer_.data() + begin_, stop - begin_);
    const bool holdsNul = nul_ < stop;
    begin_ = stop;
    if (holdsNul) nul_ = FirstNul(stop);
    if (!joining && !holdsNul) {
      line = physical;
      return true;
    }
    if (!joining) joined_.clear();
    joining = true;
    AppendLine(joined_, physical);
    if (!joined_.empty() && joined_.back() == '\n') {
      line = joined_;
      return true;
    }
  }
}

void WriteText(std::FILE* file, std::string_view text) { std::fwrite(text.data(), 1, text.size(), file); }

}  // namespace pelorin
