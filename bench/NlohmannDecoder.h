#pragma once

#include <optional>
#include <string_view>

#include "nvx-menubar/Message.h"

namespace nvx::bench {

// The yardstick: the same decoding rules as MessageDecoder, written the way a typical C++
// program would, with nlohmann/json building a document tree and the fields looked up in it.
// One difference: of duplicate keys only the last is checked (the tree keeps no other).
std::optional<Message> decodeWithNlohmann(std::string_view line);

}  // namespace nvx::bench
