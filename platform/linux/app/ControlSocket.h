#pragma once

#include <glib.h>

#include <functional>
#include <string_view>

#include "platform/streams/LineFramer.h"

namespace nvx::platform {

// A channel of text lines on a connected socket, read on GLib's main context. Lines longer
// than kMaxLine are dropped; a peer that hangs up closes the channel, dropping a last line
// without its line feed.
class ControlSocket {
 public:
  using OnLine = std::function<void(std::string_view line)>;
  static constexpr std::size_t kMaxLine = 64 * 1024;

  // Takes `fd` (not owned) only when it is a connected stream socket other than the standard
  // streams; anything else leaves the channel closed.
  explicit ControlSocket(int fd);
  ~ControlSocket();
  ControlSocket(const ControlSocket&) = delete;
  ControlSocket& operator=(const ControlSocket&) = delete;

  bool isOpen() const { return watch_ != 0; }

  // Each whole line read goes to `onLine`, without its line end (LF or CR LF), on the main
  // thread.
  void setOnLine(OnLine onLine) { onLine_ = std::move(onLine); }

  // Writes `line` and a line feed; dropped when the peer is gone.
  void send(std::string_view line);

 private:
  static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);

  int fd_ = -1;
  guint watch_ = 0;
  OnLine onLine_;
  LineFramer framer_{kMaxLine};
};

}  // namespace nvx::platform
