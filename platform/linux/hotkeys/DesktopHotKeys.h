#pragma once

#include <memory>

#include "platform/HotKeys.h"

namespace nvx::platform {

class Bus;

// The hot keys of a desktop session: key grabs on the X display when $DISPLAY opens, else the
// desktop portal's global shortcuts on `sessionBus` (null: none), else none at all, whose
// registration is refused without a word. In a Wayland session the portal comes first, and the
// X display serves only when the portal has no global shortcuts. A portal missing from the bus
// shows only later, as a key that never fires: asking first would block the start on a bus round
// trip.
std::unique_ptr<HotKeys> createDesktopHotKeys(Bus* sessionBus);

}  // namespace nvx::platform
