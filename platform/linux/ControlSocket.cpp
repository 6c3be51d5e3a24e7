#include "ControlSocket.h"

#include <glib-unix.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

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
  std::string_view bytes(buf, static_cast<std::size_t>(n));
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    const std::string_view part = bytes.substr(0, lf);
    if (!self->skipping_ && self->pending_.size() + part.size() > kMaxLine) {
      self->skipping_ = true;
      self->pending_.clear();
    }
    if (!self->skipping_) self->pending_.append(part);
    if (lf == std::string_view::npos) break;
    bytes.remove_prefix(lf + 1);
    const std::string line = std::move(self->pending_);
    self->pending_.clear();
    const bool skipped = std::exchange(self->skipping_, false);
    if (!skipped && self->onLine_) self->onLine_(line);
  }
  return G_SOURCE_CONTINUE;
}

void ControlSocket::send(std::string_view line) {
  if (!isOpen()) return;
  std::string out(line);
  out.push_back('\n');
  std::string_view rest = out;
  while (!rest.empty()) {
    const ssize_t n = ::send(fd_, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the peer has gone
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace nvx::platform
