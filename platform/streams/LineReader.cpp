#include "LineReader.h"

#include <poll.h>
#include <unistd.h>

namespace nvx {

LineReader::LineReader(int fd, ReadFn read)
    : fd_(fd), read_(read ? read : &::read), block_(new char[kBlockSize]) {}

bool LineReader::waitReadable() const {
  pollfd p{fd_, POLLIN, 0};
  for (;;) {
    if (poll(&p, 1, -1) >= 0) return true;  // the next read tells what arrived
    if (errno != EINTR) return false;
  }
}

}  // namespace nvx
