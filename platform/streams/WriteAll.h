#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace nvx {

using WriteFn = ssize_t (*)(int fd, const void* buf, std::size_t count);

// Writes all of `bytes` to `fd` as one piece, unbuffered, going on after partial writes and
// EINTR and waiting while a non-blocking descriptor is full. Returns false when the
// descriptor refuses the bytes (the reader has closed its end, say): they are dropped.
// `write` is the system call by default; tests inject failures through it.
bool writeAll(int fd, std::string_view bytes, WriteFn write = nullptr);

}  // namespace nvx
