#pragma once

#include <glib.h>

#include <string_view>

namespace nvx::platform {

// The GVariant type written as `type` ("(ia{sv})"), without GLib's check of the string on
// every use: these are the backend's own constants.
inline const GVariantType* variantType(const char* type) {
  return reinterpret_cast<const GVariantType*>(type);
}

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
