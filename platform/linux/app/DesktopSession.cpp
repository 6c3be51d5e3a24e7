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
  // A connection of the agent's own: a bus that goes away leaves it closed and the agent
  // running, as long as its input.
  auto bus = Bus::open(address);
  if (!bus) return nullptr;
  return std::make_unique<DesktopSession>(std::move(bus), mainLoop);
}

DesktopSession::DesktopSession(std::unique_ptr<Bus> bus, MainLoop& mainLoop)
    : bus_(std::move(bus)),
      ui_(*bus_, mainLoop),
      notifications_(*bus_),
      hotKeys_(createDesktopHotKeys(bus_.get())) {}

}  // namespace nvx::platform
