#include "AppendText.h"

#include <glib.h>

#include <string>

#include "platform/linux/glib/GPtr.h"

namespace nvx::platform {

int appendText(sd_bus_message* message, std::string_view text) {
  const char* end = nullptr;
  if (g_utf8_validate_len(text.data(), text.size(), &end)) {
    // sd-bus takes NUL-terminated strings; the copy keeps its capacity between texts.
    thread_local std::string copy;
    copy.assign(text);
    return sd_bus_message_append_basic(message, 's', copy.c_str());
  }
  const GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return sd_bus_message_append_basic(message, 's', valid.get());
}

}  // namespace nvx::platform
