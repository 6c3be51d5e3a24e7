#include "Utf8.h"

#include <cstdint>

namespace nvx {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Well-formed sequences: the lead byte fixes the length and the range of the second byte;
// further bytes are always 80..BF.
struct Lead {
  int length;  // 0: not a lead byte
  std::uint8_t lo, hi;
};

Lead leadOf(std::uint8_t b) {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};  // no surrogates
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};  // nothing past U+10FFFF
  return {0, 0, 0};
}

}  // namespace

void appendRepairedUtf8(std::string_view in, std::string& out) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(in.data());
  const std::size_t n = in.size();
  std::size_t i = 0;
  while (i < n) {
    // Copy the run of ASCII in one go.
    std::size_t ascii = i;
    while (ascii < n && p[ascii] < 0x80)
      ++ascii;
    out.append(in.data() + i, ascii - i);
    i = ascii;
    if (i == n) break;

    const Lead lead = leadOf(p[i]);
    if (lead.length == 0) {
      out.append(kReplacement);
      ++i;
      continue;
    }
    // Take continuation bytes while they fit; a sequence cut short is one maximal subpart.
    std::size_t len = 1;
    while (len < static_cast<std::size_t>(lead.length) && i + len < n) {
      const std::uint8_t c = p[i + len];
      const bool fits = len == 1 ? (c >= lead.lo && c <= lead.hi) : (c >= 0x80 && c <= 0xBF);
      if (!fits) break;
      ++len;
    }
    if (len == static_cast<std::size_t>(lead.length)) {
      out.append(in.data() + i, len);
    } else {
      out.append(kReplacement);
    }
    i += len;
  }
}

}  // namespace nvx
