#pragma once

#include <gio/gio.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "platform/NotificationCenter.h"
#include "platform/linux/dbus/BusNameWatch.h"
#include "platform/linux/dbus/GPtr.h"
#include "platform/linux/dbus/SignalSubscription.h"

namespace nvx::platform {

// The notification centre on a freedesktop notification server (org.freedesktop.Notifications)
// of the session bus. Every call is asynchronous on the main context; replies and the
// delegate's calls come on the main thread. Main thread only.
class FreedesktopNotifications final : public NotificationCenter {
 public:
  // Ids of our notifications remembered at most; a click on an older one is not recognised.
  static constexpr std::size_t kMaxRemembered = 64;

  // Posts on `bus` (the session bus, non-null, referenced) with `appIcon` (a file URI or an
  // icon name) as the icon.
  explicit FreedesktopNotifications(GDBusConnection* bus, std::string appIcon = defaultAppIcon());
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

 private:
  static void onCapabilities(GObject* bus, GAsyncResult* result, gpointer pending);
  static void onNotified(GObject* bus, GAsyncResult* result, gpointer self);
  static void onSignal(GDBusConnection* bus, const gchar* sender, const gchar* path,
                       const gchar* interface, const gchar* signal, GVariant* parameters,
                       gpointer self);
  void remember(std::uint32_t id);

  GObjectPtr<GDBusConnection> bus_;
  std::string appIcon_;
  NotificationDelegate* delegate_ = nullptr;
  bool bodyMarkup_ = false;          // as announced by the last GetCapabilities answer
  std::deque<std::uint32_t> ids_;    // our notifications not yet closed, oldest first
  GObjectPtr<GCancellable> cancel_;  // cancelled on destruction, so replies find no object
  BusNameWatch server_;
  SignalSubscription actions_;
  SignalSubscription closed_;
};

}  // namespace nvx::platform
