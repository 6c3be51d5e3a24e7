#pragma once

#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <optional>
#include <string>

#include "platform/NotificationCenter.h"
#include "platform/linux/dbus/Bus.h"
#include "platform/linux/dbus/NameWatch.h"

namespace nvx::platform {

// The notification centre on a freedesktop notification server (org.freedesktop.Notifications)
// of the session bus. Every call is asynchronous on the main context; replies and the
// delegate's calls come on the main thread. On a new connection the notes posted before are
// forgotten. Main thread only.
class FreedesktopNotifications final : public NotificationCenter, public Bus::Client {
 public:
  // Ids of our notifications remembered at most; a click on an older one is not recognised.
  static constexpr std::size_t kMaxRemembered = 64;

  // Posts on `bus` (the session bus, which must outlive this) with `appIcon` (a file URI or an
  // icon name) as the icon.
  explicit FreedesktopNotifications(Bus& bus, std::string appIcon = defaultAppIcon());
  ~FreedesktopNotifications() override;
  FreedesktopNotifications(const FreedesktopNotifications&) = delete;
  FreedesktopNotifications& operator=(const FreedesktopNotifications&) = delete;

  // The agent's icon: the URI of its resource file when there is one, else its icon name.
  static std::string defaultAppIcon();

  // The server's ActionInvoked for one of our notifications goes to `delegate`.
  void setDelegate(NotificationDelegate* delegate) override { delegate_ = delegate; }

  // The server has no authorization of its own: granted when one answers GetCapabilities,
  // refused when none does. `options` has no counterpart here.
  void requestAuthorization(unsigned options, std::function<void(bool granted)> reply) override;

  // Notify with the request's title and body as plain text; the identifier is replaced by the
  // server's id (nothing is ever replaced). Failures are dropped.
  void add(NotificationRequest request) override;

  void reconnected() override;

 private:
  // A call under way; dropping it drops its reply.
  struct Call {
    SlotPtr slot;
    std::function<void(bool)> authorized;  // for GetCapabilities
  };

  static int onCapabilities(sd_bus_message* reply, void* self, sd_bus_error*);
  static int onNotified(sd_bus_message* reply, void* self, sd_bus_error*);
  static int onSignal(sd_bus_message* signal, void* self, sd_bus_error*);
  void watchServer();
  // Sends `call` and keeps it until its reply; false when it could not be sent.
  bool send(sd_bus_message* call, sd_bus_message_handler_t onReply,
            std::function<void(bool)> authorized = {});
  // Takes the call that `reply` answers off the list.
  Call finish(sd_bus_message* reply);
  void remember(std::uint32_t id);

  Bus& bus_;
  std::string appIcon_;
  NotificationDelegate* delegate_ = nullptr;
  bool bodyMarkup_ = false;        // as announced by the last GetCapabilities answer
  std::deque<std::uint32_t> ids_;  // our notifications not yet closed, oldest first
  std::list<Call> calls_;
  std::optional<NameWatch> server_;
  SlotPtr actions_;
  SlotPtr closed_;
};

}  // namespace nvx::platform
