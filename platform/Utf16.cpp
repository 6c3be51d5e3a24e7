#include "Utf16.h"

#include <utf8proc.h>

#include <bit>
#include <cstdint>
#include <cstring>

namespace nvx::platform {
namespace {

struct Step {
  std::size_t bytes;  // length of the character in UTF-8 (1 for an invalid byte)
  std::size_t units;  // its length in UTF-16
};

Step nextCharacter(std::string_view s, std::size_t at) {
  utf8proc_int32_t cp = 0;
  const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + at),
                                  static_cast<utf8proc_ssize_t>(s.size() - at), &cp);
  if (n <= 0) return {1, 1};
  return {static_cast<std::size_t>(n), cp > 0xFFFF ? 2u : 1u};
}

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  std::size_t at = 0;
  while (at < utf8.size()) {
    // ASCII, the common case, is one unit per byte: take it eight bytes at a time, and up to
    // the first byte that is not ASCII at once.
    std::uint64_t word = 0;
    if (utf8.size() - at >= sizeof word) {
      std::memcpy(&word, utf8.data() + at, sizeof word);
      const std::uint64_t high = word & 0x8080808080808080ull;
      const auto ascii =
          static_cast<std::size_t>(high == 0 ? 64
                                             : (std::endian::native == std::endian::little
                                                    ? std::countr_zero(high)
                                                    : std::countl_zero(high))) /
          8;
      at += ascii;
      units += ascii;
      if (ascii == sizeof word) continue;
    }
    if (static_cast<unsigned char>(utf8[at]) < 0x80) {
      ++at;
      ++units;
      continue;
    }
    const Step step = nextCharacter(utf8, at);
    at += step.bytes;
    units += step.units;
  }
  return units;
}

}  // namespace nvx::platform
