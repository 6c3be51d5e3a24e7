#include "LineReader.h"

#include <unistd.h>

namespace nvx {

LineReader::LineReader(int fd, ReadFn read)
    : fd_(fd), read_(read ? read : &::read), block_(new char[kBlockSize]) {}

}  // namespace nvx
