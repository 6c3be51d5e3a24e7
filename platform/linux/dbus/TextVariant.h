#pragma once

#include <glib.h>

#include <string_view>

namespace nvx::platform {

// A D-Bus string (floating) holding `text`. D-Bus strings are UTF-8 without NUL: anything else
// is replaced by U+FFFD, because a bad string would make GLib refuse the whole message.
inline GVariant* textVariant(std::string_view text) {
  if (g_utf8_validate_len(text.data(), text.size(), nullptr)) {
    return g_variant_new_take_string(g_strndup(text.data(), text.size()));
  }
  return g_variant_new_take_string(
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
}

}  // namespace nvx::platform
