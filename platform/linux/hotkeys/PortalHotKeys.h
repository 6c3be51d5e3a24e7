#pragma once

#include <systemd/sd-bus.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/HotKeys.h"
#include "platform/linux/dbus/Bus.h"

namespace nvx::platform {

// Hot keys through the desktop portal's global shortcuts (org.freedesktop.portal.GlobalShortcuts),
// for Wayland sessions where no client may grab keys. Asynchronous on the main context; main
// thread only; registrations must not outlive this object.
class PortalHotKeys final : public HotKeys {
 public:
  // Other hot keys to use instead when the portal turns out to be missing or to lack global
  // shortcuts; null when there are none.
  using Fallback = std::function<std::unique_ptr<HotKeys>()>;

  // Talks to the portal on `bus` (the session bus), which must outlive this.
  explicit PortalHotKeys(Bus& bus, Fallback fallback = {});
  PortalHotKeys(const PortalHotKeys&) = delete;
  PortalHotKeys& operator=(const PortalHotKeys&) = delete;

  void installHandler(std::function<void()> handler) override;

  // Starts a portal session that binds the key as the preferred trigger and returns at once.
  // The portal may refuse, or let the person pick another trigger: the key then stays unbound
  // or fires on that trigger, silently. Without a portal the key goes to the fallback, if any. Null
  // only for a key or modifier the trigger table does not know.
  std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                     HotKeyId id) override;

 private:
  class Session;

  void pressed();
  // The key registered with the fallback, made on first need; null without one.
  std::unique_ptr<HotKeyRegistration> fallBack(std::uint32_t keyCode, std::uint32_t modifiers,
                                               HotKeyId id);

  Bus& bus_;
  Fallback makeFallback_;
  std::unique_ptr<HotKeys> fallback_;
  std::vector<std::function<void()>> handlers_;
};

}  // namespace nvx::platform
