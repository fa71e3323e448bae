// Text files of a run (work files, the report): owned C streams, opening with the system's
// message, checked closing of what was written, reading lines of any length, and copying a file.
//
// Work files are opened for writing ("w", "a") without following a symbolic link: a link, or a
// file with other hard links, standing under a work file's name is removed and a new file of the
// run's own is made in its place, so that nothing is ever written through a name the run does
// not own. The report is the user's own file and is opened as named.
//
// A line is read whole, whatever its length, with its line feed kept when it has one; a last
// line without a line feed is read exactly as if it had one (it just lacks the character).
// A line holding NUL bytes is taken in pieces of 4095 bytes, each up to its first NUL (the rest
// of the piece is dropped); when the last piece loses the line feed that way, the line runs on
// into the next one.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file != nullptr && file != stdin && file != stdout) std::fclose(file);
  }
};

// An open stream; closes itself unless it is standard input or output.
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens the work file `name` with `mode` ("r", "w", "a"); ends the run with
// "*** error open file %s\n" (exit code 2) when it cannot be opened.
File OpenFile(const std::string& name, const char* mode);

// Opens the work file `name` with `mode`, or returns an empty handle.
File TryOpenFile(const std::string& name, const char* mode);

// The report output: standard output for "-", else the named file (opened with `mode`).
File OpenOutput(const std::string& name, const char* mode);

// Finishes a stream that was written: flushes and closes it (standard output is only flushed).
// When any write to it failed, or the flush or the close does, the run ends with
// "*** error write file %s: %s\n" naming `name` ("-" is standard output) and the system's
// reason (exit code 2): a file is never taken as written when it was not written completely.
void CloseFile(File& file, const std::string& name);

// Reads the next line into `line` (line feed included when present). Returns false at the end
// of the stream, when nothing is left to read.
bool ReadLine(std::FILE* file, std::string& line);

// The lines of an open stream through a buffer of its own, exactly as ReadLine reads them, each
// a view that stays valid until the next call. The stream is read from where it stands; once
// the reader has been used, the stream is left to it (it reads ahead).
class LineReader {
 public:
  explicit LineReader(std::FILE* file) : file_(file) {}
  // The next line into `line`; false at the end of the stream.
  bool Next(std::string_view& line);

 private:
  // Reads more of the stream behind the unread part; false when nothing more comes.
  bool Fill();
  // The position of the first NUL byte in buffer_[from .. end_), end_ when there is none.
  size_t FirstNul(size_t from) const;

  std::FILE* file_;
  std::vector<char> buffer_ = std::vector<char>(size_t{1} << 16);
  size_t begin_ = 0;    // the unread part is buffer_[begin_ .. end_)
  size_t end_ = 0;
  size_t nul_ = 0;      // the first NUL byte of the unread part, end_ when it holds none
  std::string joined_;  // a line of pieces run on into the next (see ReadLine)
};

// Writes `text` as it stands.
void WriteText(std::FILE* file, std::string_view text);

// Copies the lines of `source` into `target`, which is replaced ("w") or extended ("a", created
// when missing).
void CopyFile(const std::string& source, const std::string& target, const char* mode);

}  // namespace pelorin
