#pragma once

#include <memory>
#include <string>

#include "DesktopToolkit.h"
#include "platform/HotKeys.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/notifications/FreedesktopNotifications.h"

namespace nvx::platform {

// The agent's session on a Linux desktop: its own connection to the user's session bus, the
// status item and menu, notifications and the hot key on it.
class DesktopSession {
 public:
  // The session, when a session bus answers at the address sessionBusAddress() gives; null
  // otherwise. Timers run on `mainLoop`, which must outlive the session.
  static std::unique_ptr<DesktopSession> connect(MainLoop& mainLoop);

  // The session on `bus` (taken over), for a caller that connected itself.
  DesktopSession(std::unique_ptr<Bus> bus, MainLoop& mainLoop);
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  DesktopToolkit& ui() { return ui_; }
  NotificationCenter& notifications() { return notifications_; }
  HotKeys& hotKeys() { return *hotKeys_; }

 private:
  std::unique_ptr<Bus> bus_;
  DesktopToolkit ui_;
  FreedesktopNotifications notifications_;
  std::unique_ptr<HotKeys> hotKeys_;
};

// The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the socket "bus" in
// XDG_RUNTIME_DIR when there is one; empty when neither names a bus. Never an address that
// would start a bus (X11 autolaunch): the agent uses a desktop that runs, or none.
std::string sessionBusAddress();

}  // namespace nvx::platform
