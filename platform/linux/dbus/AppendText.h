#pragma once

#include <systemd/sd-bus.h>

#include <string_view>

namespace nvx::platform {

// Appends `text` to `message` as a D-Bus string. D-Bus strings are UTF-8 without NUL: anything
// else is replaced by U+FFFD, because a bad string would make the whole message fail.
int appendText(sd_bus_message* message, std::string_view text);

}  // namespace nvx::platform
