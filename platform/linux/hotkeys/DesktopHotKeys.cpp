#include "DesktopHotKeys.h"

#include <glib.h>

#include "DisplayNames.h"
#include "PortalHotKeys.h"
#include "X11HotKeys.h"

namespace nvx::platform {
namespace {

class NoHotKeys final : public HotKeys {
 public:
  void installHandler(std::function<void()>) override {}
  std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t, std::uint32_t,
                                                     HotKeyId) override {
    return nullptr;
  }
};

std::unique_ptr<HotKeys> openX11() {
  if (auto x11 = std::make_unique<X11HotKeys>(); x11->isOpen()) return x11;
  return nullptr;
}

}  // namespace

std::unique_ptr<HotKeys> createDesktopHotKeys(Bus* sessionBus) {
  // On Wayland an X grab sees keys only while an X client has focus, so the portal comes first
  // there, and the grab only where the portal has no global shortcuts.
  const char* wayland = g_getenv(desktop::kEnvWaylandDisplay);
  if (sessionBus && wayland && *wayland) {
    return std::make_unique<PortalHotKeys>(*sessionBus, openX11);
  }
  if (auto x11 = openX11()) return x11;
  if (sessionBus) return std::make_unique<PortalHotKeys>(*sessionBus);
  return std::make_unique<NoHotKeys>();
}

}  // namespace nvx::platform
