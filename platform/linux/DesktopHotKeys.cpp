#include "DesktopHotKeys.h"

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

}  // namespace

std::unique_ptr<HotKeys> createDesktopHotKeys(GDBusConnection* sessionBus) {
  if (auto x11 = std::make_unique<X11HotKeys>(); x11->isOpen()) return x11;
  if (sessionBus) return std::make_unique<PortalHotKeys>(sessionBus);
  return std::make_unique<NoHotKeys>();
}

}  // namespace nvx::platform
