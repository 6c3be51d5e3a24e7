#include "Text.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace nvx {
namespace {

struct FreeDeleter {
  void operator()(utf8proc_uint8_t* p) const { std::free(p); }
};
using Decomposed = std::unique_ptr<utf8proc_uint8_t, FreeDeleter>;

// NFD of `s`; null when `s` is not valid UTF-8.
Decomposed nfd(std::string_view s, utf8proc_ssize_t& length) {
  utf8proc_uint8_t* out = nullptr;
  length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(s.data()),
                        static_cast<utf8proc_ssize_t>(s.size()), &out,
                        static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
  return Decomposed(length < 0 ? nullptr : out);
}

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

bool sameText(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // ASCII is its own decomposition, so two different ASCII texts are never equivalent.
  if (isAscii(a) && isAscii(b)) return false;
  utf8proc_ssize_t la = 0, lb = 0;
  Decomposed da = nfd(a, la);
  Decomposed db = nfd(b, lb);
  if (!da || !db || la != lb) return false;
  return std::equal(da.get(), da.get() + la, db.get());
}

}  // namespace nvx
