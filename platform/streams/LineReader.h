#pragma once

#include <sys/types.h>

#include <cerrno>
#include <memory>
#include <string_view>

#include "LineFramer.h"

namespace nvx {

// Reads a file descriptor in large blocks and hands out its lines (see LineFramer).
class LineReader {
 public:
  using ReadFn = ssize_t (*)(int fd, void* buf, std::size_t count);
  static constexpr std::size_t kBlockSize = std::size_t{64} << 10;

  // `read` is the system call by default; tests inject failures through it.
  explicit LineReader(int fd, ReadFn read = nullptr);

  // Blocks, calling onLine(std::string_view) for each line, until end of input or a read error
  // other than EINTR and EAGAIN (both end the stream, with the last unterminated line
  // delivered). A non-blocking descriptor with nothing to read yet is waited on.
  template <class OnLine>
  void run(OnLine&& onLine) {
    for (;;) {
      const ssize_t n = read_(fd_, block_.get(), kBlockSize);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (waitReadable()) continue;
        break;
      }
      if (n <= 0) break;
      framer_.feed(std::string_view(block_.get(), static_cast<std::size_t>(n)), onLine);
    }
    framer_.finish(onLine);
  }

  // For a descriptor watched by an event loop: one read of what has arrived, calling
  // onLine(std::string_view) for each line it completes. Returns true while more may come
  // (also after EINTR, or EAGAIN from a non-blocking descriptor with nothing there yet);
  // false at end of input or another read error, with the last unterminated line delivered.
  template <class OnLine>
  bool readAvailable(OnLine&& onLine) {
    const ssize_t n = read_(fd_, block_.get(), kBlockSize);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) {
      framer_.finish(onLine);
      return false;
    }
    framer_.feed(std::string_view(block_.get(), static_cast<std::size_t>(n)), onLine);
    return true;
  }

 private:
  // Waits until the descriptor has input, end of input or an error; false when it cannot.
  bool waitReadable() const;

  int fd_;
  ReadFn read_;
  std::unique_ptr<char[]> block_;
  LineFramer framer_;
};

}  // namespace nvx
