#include "DesktopSession.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "platform/linux/dbus/DesktopNames.h"
#include "platform/linux/hotkeys/DesktopHotKeys.h"

namespace nvx::platform {

std::string sessionBusAddress() {
  if (const char* address = std::getenv(dbus::kEnvSessionBusAddress)) {
    if (std::string_view(address).starts_with(dbus::kAutolaunchPrefix)) return {};
    return address;
  }
  const char* runtimeDir = std::getenv(dbus::kEnvRuntimeDir);
  if (!runtimeDir || !*runtimeDir) return {};
  const std::string socket = std::string(runtimeDir) + dbus::kRuntimeBusSocket;
  struct stat info {};
  if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return {};
  return dbus::kUnixPathPrefix + socket;
}

std::unique_ptr<DesktopSession> DesktopSession::connect(MainLoop& mainLoop) {
  const std::string address = sessionBusAddress();
  if (address.empty()) return nullptr;
  auto bus = Bus::open(address);
  if (!bus) return nullptr;
  // A connection of the agent's own, not GLib's shared one: that one ends the process when
  // the bus goes away, and the agent lives exactly as long as its input.
  GObjectPtr<GDBusConnection> connection(g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr));
  if (!connection) return nullptr;
  return std::make_unique<DesktopSession>(std::move(bus), std::move(connection), mainLoop);
}

DesktopSession::DesktopSession(std::unique_ptr<Bus> bus, GObjectPtr<GDBusConnection> connection,
                               MainLoop& mainLoop)
    : bus_(std::move(bus)),
      connection_(std::move(connection)),
      ui_(bus_->get(), connection_.get(), mainLoop),
      notifications_(connection_.get()),
      hotKeys_(createDesktopHotKeys(connection_.get())) {}

}  // namespace nvx::platform
