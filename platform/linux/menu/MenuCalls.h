#pragma once

#include <glib.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "MenuTree.h"
#include "platform/linux/dbus/GPtr.h"

namespace nvx::platform {

// Most entry levels one GetLayout reply holds, the requested one included. D-Bus allows 64
// levels of containers in a message and each entry level takes three; deeper entries are
// left out, and a host that wants them asks for the layout under the deepest one it got.
inline constexpr int kMaxLayoutLevels = 16;

// The answer to one method call on the menu: the reply's parameters or an error, and the
// entry that a "clicked" event asks to choose once the reply has gone.
struct MenuReply {
  GVariantPtr parameters;       // a tuple; null when `error` is set
  const char* error = nullptr;  // a D-Bus error name
  std::string message;          // the error's text
  std::int32_t click = 0;       // an entry to click (see clickEntry); 0: none
};

// Answers `method` of com.canonical.dbusmenu called with `parameters` on `tree`, whose
// layout revision is `revision`. Reads the tree only. Input is a bus peer's: wrong types,
// unknown or hidden ids and depths below -1 give an error; unknown property names are skipped.
MenuReply answerMenuCall(const MenuTree& tree, std::uint32_t revision, std::string_view method,
                         GVariant* parameters);

// Chooses the entry `id` as a user's click does, when hosts can see it, it takes clicks (see
// DesktopMenuItem::acceptsClick) and no entry above it is disabled; otherwise nothing happens.
// Returns whether it was chosen.
bool clickEntry(MenuTree& tree, std::int32_t id);

}  // namespace nvx::platform
