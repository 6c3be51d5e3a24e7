// The entry of nvx-menubar on Linux: GLib's main loop and one of two sessions. The desktop
// session shows the status item and its menu on the session bus when one answers; otherwise,
// or when the parent hands over a control channel to play the user itself, everything is kept
// in memory and driven through that channel.
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "nvx-menubar/Main.h"
#include "nvx-menubar/Protocol.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/headless/HeadlessHotKeys.h"
#include "platform/headless/HeadlessNotificationCenter.h"
#include "platform/headless/HeadlessToolkit.h"
#include "platform/linux/app/ControlSocket.h"
#include "platform/linux/app/DesktopSession.h"
#include "platform/linux/app/GlibApplication.h"
#include "platform/linux/images/PixelImage.h"
#include "platform/linux/images/Resources.h"

namespace {

// The descriptor named by the environment, or -1 when it names none.
int controlFd() {
  const char* value = std::getenv(nvx::protocol::kEnvControlFd);
  if (!value) return -1;
  const std::string_view text(value);
  int fd = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
  return error == std::errc() && end == text.data() + text.size() ? fd : -1;
}

}  // namespace

int main() {
  using namespace nvx::platform;
  GlibApplication application([](const std::string& path) { return PixelImage::fromPng(path); },
                              agentResourceDirs());
  ControlSocket socket(controlFd());
  if (!socket.isOpen()) {
    if (auto desktop = DesktopSession::connect(application)) {
      return nvx::Main::main(
          {application, desktop->ui(), desktop->notifications(), desktop->hotKeys()});
    }
  }

  HeadlessToolkit ui({.mainLoop = &application});
  HeadlessNotificationCenter notifications;
  HeadlessHotKeys hotKeys;
  std::optional<HeadlessControl> control;
  if (socket.isOpen()) {
    control.emplace(ui, notifications, hotKeys,
                    [&socket](std::string_view line) { socket.send(line); });
    socket.setOnLine([&control](std::string_view line) { control->command(line); });
  }
  return nvx::Main::main({application, ui, notifications, hotKeys});
}
