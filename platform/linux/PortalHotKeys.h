#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <vector>

#include "BusNameWatch.h"
#include "GPtr.h"
#include "platform/HotKeys.h"

namespace nvx::platform {

// Hot keys through the desktop portal's global shortcuts (org.freedesktop.portal.GlobalShortcuts),
// for Wayland sessions where no client may grab keys. Asynchronous on the main context; main
// thread only; registrations must not outlive this object.
class PortalHotKeys final : public HotKeys {
 public:
  // Talks to the portal on `bus` (the session bus, non-null, referenced).
  explicit PortalHotKeys(GDBusConnection* bus);
  ~PortalHotKeys() override;
  PortalHotKeys(const PortalHotKeys&) = delete;
  PortalHotKeys& operator=(const PortalHotKeys&) = delete;

  void installHandler(std::function<void()> handler) override;

  // Starts a portal session that binds the key as the preferred trigger and returns at once.
  // The portal may be missing, refuse, or let the person pick another trigger: the key then
  // stays unbound or fires on that trigger, silently. Null only for a key or modifier the
  // trigger table does not know.
  std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                     HotKeyId id) override;

 private:
  class Session;

  void pressed();

  GObjectPtr<GDBusConnection> bus_;
  BusNameWatch portal_;  // signals count only from its owner
  std::vector<std::function<void()>> handlers_;
};

}  // namespace nvx::platform
