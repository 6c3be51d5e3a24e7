#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace nvx {

// Splits a byte stream into lines. A line ends at LF, and a CR right before that LF goes with
// it; a lone CR is an ordinary byte; a last line without LF still counts (see finish).
//
// Memory stays bounded: a line longer than its bound (kMaxLine unless told otherwise) is dropped
// while it streams by, without ever being held whole, and the line after it is read as usual.
class LineFramer {
 public:
  static constexpr std::size_t kMaxLine = std::size_t{16} << 20;

  explicit LineFramer(std::size_t maxLine = kMaxLine) : maxLine_(maxLine) {}

  // Feeds the next bytes of the stream; calls onLine(std::string_view) for every line they
  // complete. The view is valid only during the call.
  template <class OnLine>
  void feed(std::string_view bytes, OnLine&& onLine) {
    while (!bytes.empty()) {
      const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
      if (!lf) {
        hold(bytes);
        return;
      }
      const std::size_t end = static_cast<const char*>(lf) - bytes.data();
      const std::string_view head = bytes.substr(0, end);
      bytes.remove_prefix(end + 1);
      if (!pending_ && !overflow_) {
        // The whole line lies in this block: hand it out without copying.
        deliver(head, onLine);
        continue;
      }
      hold(head);
      if (!overflow_) deliver(line_, onLine);
      reset();
    }
  }

  // End of input: delivers the last line when it had no LF.
  template <class OnLine>
  void finish(OnLine&& onLine) {
    if (pending_ && !overflow_ && line_.size() <= maxLine_) onLine(std::string_view(line_));
    reset();
  }

 private:
  template <class OnLine>
  void deliver(std::string_view line, OnLine& onLine) const {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() <= maxLine_) onLine(line);
  }

  void hold(std::string_view bytes) {
    pending_ = true;
    if (overflow_) return;
    // One byte of slack keeps room for a CR that may turn out to precede the LF.
    if (line_.size() + bytes.size() > maxLine_ + 1) {
      overflow_ = true;
      std::string().swap(line_);
      return;
    }
    line_.append(bytes);
  }

  void reset() {
    pending_ = false;
    overflow_ = false;
    // Give back the room of an unusually long line instead of keeping it for the process.
    if (line_.capacity() > kKeepCapacity) {
      std::string().swap(line_);
    } else {
      line_.clear();
    }
  }

  static constexpr std::size_t kKeepCapacity = std::size_t{1} << 20;

  std::size_t maxLine_;
  std::string line_;
  bool pending_ = false;   // bytes of an unfinished line have arrived
  bool overflow_ = false;  // the unfinished line is over the limit and being skipped
};

}  // namespace nvx
