#include "ControlSocket.h"

#include <glib-unix.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/streams/WriteAll.h"

namespace nvx::platform {
namespace {

bool isConnectedStreamSocket(int fd) {
  struct stat st {};
  if (fd <= STDERR_FILENO || fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
  int type = 0;
  socklen_t size = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0 || type != SOCK_STREAM) return false;
  sockaddr_storage peer{};
  socklen_t peerSize = sizeof peer;
  return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0;
}

}  // namespace

ControlSocket::ControlSocket(int fd) {
  if (!isConnectedStreamSocket(fd)) return;
  fd_ = fd;
  watch_ = g_unix_fd_add(fd_, G_IO_IN, &ControlSocket::onReadable, this);
}

ControlSocket::~ControlSocket() {
  if (watch_) g_source_remove(watch_);
}

gboolean ControlSocket::onReadable(gint fd, GIOCondition, gpointer data) {
  auto* self = static_cast<ControlSocket*>(data);
  char buf[4096];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return G_SOURCE_CONTINUE;
  if (n <= 0) {
    self->watch_ = 0;
    return G_SOURCE_REMOVE;
  }
  self->framer_.feed(std::string_view(buf, static_cast<std::size_t>(n)),
                     [self](std::string_view line) {
                       if (self->onLine_) self->onLine_(line);
                     });
  return G_SOURCE_CONTINUE;
}

void ControlSocket::send(std::string_view line) {
  if (!isOpen()) return;
  std::string out(line);
  out.push_back('\n');
  // A peer that has gone must not end the agent with SIGPIPE: the line is dropped.
  writeAll(fd_, out, [](int fd, const void* bytes, std::size_t size) {
    return ::send(fd, bytes, size, MSG_NOSIGNAL);
  });
}

}  // namespace nvx::platform
