// Owned streams, opening with the system's message, and whole-line reading.
#include "matrix/textfile.h"

#include "matrix/failure.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// A descriptor of the run's own regular file under `name`, for writing (truncated) or appending;
// -1 with errno set when none can be had. Opening does not follow a symbolic link and does not
// wait on a FIFO; what stands under the name and is no plain file with one link (a link, a FIFO,
// another name of some file) is removed, and a new file is made exclusively in its place.
int OwnFileDescriptor(const std::string& name, bool append) {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (append ? O_APPEND : 0);
  int fd = open(name.c_str(), flags | O_NONBLOCK, 0666);
  if (fd >= 0) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      if (append || ftruncate(fd, 0) == 0) return fd;
    }
    close(fd);
  } else if (errno != ELOOP && errno != ENXIO) {
    return -1;
  }
  if (unlink(name.c_str()) != 0) return -1;
  return open(name.c_str(), flags | O_EXCL, 0666);
}

// A stream that one thread uses for the whole pipeline: it needs no lock around each call.
File Unlocked(std::FILE* stream) {
  File file(stream);
  if (file) __fsetlocking(file.get(), FSETLOCKING_BYCALLER);
  return file;
}

}  // namespace

File TryOpenFile(const std::string& name, const char* mode) {
  if (mode[0] == 'r') return Unlocked(std::fopen(name.c_str(), mode));
  const bool append = mode[0] == 'a';
  const int fd = OwnFileDescriptor(name, append);
  if (fd < 0) return File();
  std::FILE* stream = fdopen(fd, append ? "a" : "w");
  if (stream == nullptr) close(fd);
  return Unlocked(stream);
}

File OpenFile(const std::string& name, const char* mode) {
  File file = TryOpenFile(name, mode);
  if (!file) FailOpen(name);
  return file;
}

File OpenOutput(const std::string& name, const char* mode) {
  if (name == "-") return File(stdout);
  File file = Unlocked(std::fopen(name.c_str(), mode));
  if (!file) FailOpen(name);
  return file;
}

void CloseFile(File& file, const std::string& name) {
  std::FILE* stream = file.release();
  if (stream == nullptr) return;
  // the reason of a write that failed earlier is the last one the system gave, when the flush
  // does not give it again
  const int earlier = errno;
  errno = 0;
  const bool flushed = std::fflush(stream) == 0;
  const int flushError = errno;
  const bool clean = flushed && !std::ferror(stream);
  if (stream == stdout && !clean) std::clearerr(stdout);
  const bool closed = stream == stdout || stream == stdin || std::fclose(stream) == 0;
  if (clean && closed) return;
  FailWrite(name == "-" ? "standard output" : name, !flushed ? flushError : !clean ? earlier : errno);
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

void CopyFile(const std::string& source, const std::string& target, const char* mode) {
  File in = OpenFile(source, "r");
  File out = OpenFile(target, mode);
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) std::fwrite(chunk, 1, got, out.get());
  CloseFile(out, target);
}

}  // namespace pelorin
