#pragma once

#include <string>

#include "support/PrivateBus.h"

namespace nvx::test {

// Dispatches what the default main context has ready. A peer's messages are handed to the
// context in the order they came, so after a synchronous round trip to that peer everything it
// sent before is dispatched here: "nothing happened" needs no waiting.
inline void drain() {
  if (g_main_context_iteration(nullptr, FALSE)) drain();
}

// Calls a method on `bus` and runs the default main context until the reply comes (the callee
// may be served by it): the reply as GLib prints it, or "error: " and the error's name.
inline std::string callPrinted(GDBusConnection* bus, const char* to, const char* path,
                               const char* interface, const char* method, const char* args) {
  GAsyncResult* done = nullptr;
  g_dbus_connection_call(
      bus, to, path, interface, method, g_variant_new_parsed(args), nullptr, G_DBUS_CALL_FLAGS_NONE,
      5000, nullptr,
      [](GObject*, GAsyncResult* result, gpointer out) {
        *static_cast<GAsyncResult**>(out) = G_ASYNC_RESULT(g_object_ref(result));
      },
      &done);
  if (!spinUntil([&] { return done != nullptr; }, 10'000)) return "no reply";
  GError* error = nullptr;
  const GVariantPtr reply(g_dbus_connection_call_finish(bus, done, &error));
  g_object_unref(done);
  const GErrorPtr owned(error);
  const GCharPtr name(error ? g_dbus_error_get_remote_error(error) : nullptr);
  if (error) return "error: " + std::string(name ? name.get() : error->message);
  return GCharPtr(g_variant_print(reply.get(), TRUE)).get();
}

// Another connection sends a signal straight to the connection named `to`, makes a round trip
// to it (answered on this loop), and the signal has been dispatched. Takes a floating `args`.
inline void forge(const PrivateBus& bus, const char* to, const char* path, const char* interface,
                  const char* name, GVariant* args) {
  const GObjectPtr<GDBusConnection> other = bus.connect();
  g_dbus_connection_emit_signal(other.get(), to, path, interface, name, args, nullptr);
  callPrinted(other.get(), to, "/", "org.freedesktop.DBus.Peer", "Ping", "()");
}

}  // namespace nvx::test
