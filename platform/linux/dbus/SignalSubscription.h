#pragma once

#include <gio/gio.h>

#include <utility>

#include "GPtr.h"

namespace nvx::platform {

// One signal subscription on a connection, removed on destruction. GDBus checks that a
// subscription still exists before it runs a queued callback, so once this object is gone its
// callback's data is never touched again.
class SignalSubscription {
 public:
  SignalSubscription() = default;
  // Subscribes `callback` with `data` (not owned); null fields match anything.
  SignalSubscription(GDBusConnection* bus, const char* sender, const char* interface,
                     const char* member, const char* path, GDBusSignalCallback callback,
                     gpointer data)
      : bus_(G_DBUS_CONNECTION(g_object_ref(bus))),
        id_(g_dbus_connection_signal_subscribe(bus, sender, interface, member, path, nullptr,
                                               G_DBUS_SIGNAL_FLAGS_NONE, callback, data, nullptr)) {
  }
  ~SignalSubscription() { reset(); }
  SignalSubscription(SignalSubscription&& other) noexcept
      : bus_(std::move(other.bus_)), id_(std::exchange(other.id_, 0)) {}
  SignalSubscription& operator=(SignalSubscription&& other) noexcept {
    reset();
    bus_ = std::move(other.bus_);
    id_ = std::exchange(other.id_, 0);
    return *this;
  }

  void reset() {
    if (bus_ && id_ != 0) g_dbus_connection_signal_unsubscribe(bus_.get(), id_);
    id_ = 0;
    bus_.reset();
  }

 private:
  GObjectPtr<GDBusConnection> bus_;
  guint id_ = 0;
};

}  // namespace nvx::platform
