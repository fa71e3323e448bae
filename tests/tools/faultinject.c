/* A fault injector for the tests of the run's failure paths: a library preloaded into the built
 * Pelorin (LD_PRELOAD) that counts the calls of one family of the C library's output functions
 * and makes one of them fail as the system would, or kills the process there.
 *
 * Environment (nothing is changed when PELORIN_FAULT is unset):
 *   PELORIN_FAULT=FAMILY      the family counted: write, close, fsync or rename
 *   PELORIN_FAULT_AT=N        the call that fails, 1 for the first; 0 or unset: none fails
 *   PELORIN_FAULT_KILL=1      the process kills itself (SIGKILL) at that call instead
 *   PELORIN_FAULT_COUNT=FILE  at exit, the number of calls counted is written to FILE
 *
 * The families and their failures:
 *   write   fwrite, fputs, fputc, putc, fprintf, vfprintf (and their checked forms), fflush,
 *           write: nothing is written, ENOSPC, and a stream is marked as failed (ferror), as a
 *           full disk leaves it;
 *   close   fclose, close: the stream or descriptor is closed, and EIO is returned, as a file
 *           system that finds a late write error at the close does;
 *   fsync   fsync, fdatasync: EIO;
 *   rename  rename, renameat: EIO, nothing renamed.
 * Calls that the C library makes inside itself (the writes of a stream's buffer) are not seen:
 * a stream fails at the call of the program that would have written it.
 */
#define _GNU_SOURCE
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char* family;  /* PELORIN_FAULT, NULL when the library stays silent */
static long failingCall;    /* PELORIN_FAULT_AT */
static int killing;         /* PELORIN_FAULT_KILL */
static long calls;          /* calls of the family so far */

/* The real functions, each found once: Real_NAME() returns the next definition of NAME (a union
 * turns dlsym's object pointer into the function pointer). */
#define REAL_FUNCTION(name, result, ...)                                   \
  typedef result (*name##_function)(__VA_ARGS__);                          \
  static name##_function Real_##name(void) {                               \
    static union {                                                         \
      void* object;                                                        \
      name##_function function;                                            \
    } slot;                                                                \
    if (slot.object == NULL) slot.object = dlsym(RTLD_NEXT, #name);        \
    return slot.function;                                                  \
  }

REAL_FUNCTION(open, int, const char*, int, ...)
REAL_FUNCTION(fwrite, size_t, const void*, size_t, size_t, FILE*)
REAL_FUNCTION(fputs, int, const char*, FILE*)
REAL_FUNCTION(fputc, int, int, FILE*)
REAL_FUNCTION(putc, int, int, FILE*)
REAL_FUNCTION(vfprintf, int, FILE*, const char*, va_list)
REAL_FUNCTION(fflush, int, FILE*)
REAL_FUNCTION(write, ssize_t, int, const void*, size_t)
REAL_FUNCTION(fclose, int, FILE*)
REAL_FUNCTION(close, int, int)
REAL_FUNCTION(fsync, int, int)
REAL_FUNCTION(fdatasync, int, int)
REAL_FUNCTION(rename, int, const char*, const char*)
REAL_FUNCTION(renameat, int, int, const char*, int, const char*)

__attribute__((constructor)) static void Configure(void) {
  family = getenv("PELORIN_FAULT");
  const char* at = getenv("PELORIN_FAULT_AT");
  failingCall = at != NULL ? strtol(at, NULL, 10) : 0;
  killing = getenv("PELORIN_FAULT_KILL") != NULL;
}

/* Counts a call of `kind`; true when this call is to fail. */
static int Fails(const char* kind) {
  if (family == NULL || strcmp(family, kind) != 0) return 0;
  if (++calls != failingCall) return 0;
  if (killing) raise(SIGKILL);
  return 1;
}

/* A stream that failed: its error indicator is set, as a failed write of its buffer sets it. */
static void MarkFailed(FILE* stream, int error) {
  stream->_flags |= _IO_ERR_SEEN;
  errno = error;
}

__attribute__((destructor)) static void Report(void) {
  const char* name = getenv("PELORIN_FAULT_COUNT");
  if (family == NULL || name == NULL) return;
  const int fd = Real_open()(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  char text[32];
  const int length = snprintf(text, sizeof text, "%ld\n", calls);
  Real_write()(fd, text, (size_t)length);
  Real_close()(fd);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  if (Fails("write")) {
    MarkFailed(stream, ENOSPC);
    return 0;
  }
  return Real_fwrite()(data, size, count, stream);
}

int fputs(const char* text, FILE* stream) {
  if (Fails("write")) {
    MarkFailed(stream, ENOSPC);
    return EOF;
  }
  return Real_fputs()(text, stream);
}

int fputc(int c, FILE* stream) {
  if (Fails("write")) {
    MarkFailed(stream, ENOSPC);
    return EOF;
  }
  return Real_fputc()(c, stream);
}

int putc(int c, FILE* stream) {
  if (Fails("write")) {
    MarkFailed(stream, ENOSPC);
    return EOF;
  }
  return Real_putc()(c, stream);
}

int vfprintf(FILE* stream, const char* format, va_list args) {
  if (Fails("write")) {
    MarkFailed(stream, ENOSPC);
    return -1;
  }
  return Real_vfprintf()(stream, format, args);
}

int fprintf(FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = vfprintf(stream, format, args);
  va_end(args);
  return written;
}

int __vfprintf_chk(FILE* stream, int flag, const char* format, va_list args) {
  (void)flag;
  return vfprintf(stream, format, args);
}

int __fprintf_chk(FILE* stream, int flag, const char* format, ...) {
  (void)flag;
  va_list args;
  va_start(args, format);
  const int written = vfprintf(stream, format, args);
  va_end(args);
  return written;
}

int fflush(FILE* stream) {
  if (stream != NULL && Fails("write")) {
    MarkFailed(stream, ENOSPC);
    return EOF;
  }
  return Real_fflush()(stream);
}

ssize_t write(int fd, const void* data, size_t size) {
  if (Fails("write")) {
    errno = ENOSPC;
    return -1;
  }
  return Real_write()(fd, data, size);
}

int fclose(FILE* stream) {
  const int failing = Fails("close");
  const int closed = Real_fclose()(stream);
  if (!failing) return closed;
  errno = EIO;
  return EOF;
}

int close(int fd) {
  const int failing = Fails("close");
  const int closed = Real_close()(fd);
  if (!failing) return closed;
  errno = EIO;
  return -1;
}

int fsync(int fd) {
  if (Fails("fsync")) {
    errno = EIO;
    return -1;
  }
  return Real_fsync()(fd);
}

int fdatasync(int fd) {
  if (Fails("fsync")) {
    errno = EIO;
    return -1;
  }
  return Real_fdatasync()(fd);
}

int rename(const char* from, const char* to) {
  if (Fails("rename")) {
    errno = EIO;
    return -1;
  }
  return Real_rename()(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  if (Fails("rename")) {
    errno = EIO;
    return -1;
  }
  return Real_renameat()(fromDir, from, toDir, to);
}
