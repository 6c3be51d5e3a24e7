#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>

#include "MenuTree.h"

namespace nvx::platform {

// Most entry levels one GetLayout reply holds, the requested one included. D-Bus allows 64
// levels of containers in a message and each entry level takes three; deeper entries are
// left out, and a host that wants them asks for the layout under the deepest one it got.
inline constexpr int kMaxLayoutLevels = 16;

// Answers `call`, a method call of com.canonical.dbusmenu whose arguments have the types the
// exported interface gives them (sd-bus checks that), on `tree`, whose layout revision is
// `revision`: appends the reply's arguments to `reply`, or sets `error` and returns a negative
// number. Reads the tree only. Input is a bus peer's: unknown or hidden ids and depths below
// -1 give an error; unknown property names are skipped. `click` is set to the entry that a
// "clicked" event asks to choose once the reply has gone (see clickEntry); 0: none.
int answerMenuCall(const MenuTree& tree, std::uint32_t revision, sd_bus_message* call,
                   sd_bus_message* reply, sd_bus_error* error, std::int32_t& click);

// Chooses the entry `id` as a user's click does, when hosts can see it, it takes clicks (see
// DesktopMenuItem::acceptsClick) and no entry above it is disabled; otherwise nothing happens.
// Returns whether it was chosen.
bool clickEntry(MenuTree& tree, std::int32_t id);

}  // namespace nvx::platform
