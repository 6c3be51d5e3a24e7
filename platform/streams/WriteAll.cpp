#include "WriteAll.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace nvx {

bool writeAll(int fd, std::string_view bytes, WriteFn write) {
  if (!write) write = &::write;
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, -1) < 0 && errno != EINTR) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace nvx
