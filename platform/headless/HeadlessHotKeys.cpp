#include "HeadlessHotKeys.h"

namespace nvx::platform {
namespace {

class HeadlessRegistration final : public HotKeyRegistration {};

}  // namespace

void HeadlessHotKeys::installHandler(std::function<void()> handler) {
  handlers_.push_back(std::move(handler));
}

std::unique_ptr<HotKeyRegistration> HeadlessHotKeys::registerHotKey(std::uint32_t keyCode,
                                                                    std::uint32_t modifiers,
                                                                    HotKeyId id) {
  registrations_.push_back({keyCode, modifiers, id});
  if (!registers_) return nullptr;
  registered_ = true;
  return std::make_unique<HeadlessRegistration>();
}

void HeadlessHotKeys::press() {
  if (!registered_) return;
  for (auto& handler : handlers_)
    handler();
}

}  // namespace nvx::platform
