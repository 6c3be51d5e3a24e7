#include "platform/macos/MacHotKeys.h"

#include <Carbon/Carbon.h>

#include <utility>

namespace nvx::platform {
namespace {

// The interface's modifier bits and Carbon's.
struct ModifierBit {
  std::uint32_t interface;
  UInt32 carbon;
};
constexpr ModifierBit kModifiers[] = {
    {0x1000, controlKey},
    {0x0800, optionKey},
    {0x0200, shiftKey},
    {0x0100, cmdKey},
};

UInt32 carbonModifiers(std::uint32_t modifiers) {
  UInt32 out = 0;
  for (const ModifierBit& bit : kModifiers) {
    if (modifiers & bit.interface) out |= bit.carbon;
  }
  return out;
}

// Every event it receives is a press of a hot key: it subscribes to nothing else.
OSStatus onHotKey(EventHandlerCallRef, EventRef, void* userData) {
  (*static_cast<std::function<void()>*>(userData))();
  return noErr;
}

class MacHotKeyRegistration final : public HotKeyRegistration {
 public:
  explicit MacHotKeyRegistration(EventHotKeyRef ref) : ref_(ref) {}
  ~MacHotKeyRegistration() override { UnregisterEventHotKey(ref_); }
  MacHotKeyRegistration(const MacHotKeyRegistration&) = delete;
  MacHotKeyRegistration& operator=(const MacHotKeyRegistration&) = delete;

 private:
  EventHotKeyRef ref_;
};

}  // namespace

void MacHotKeys::HandlerRemover::operator()(OpaqueEventHandlerRef* handler) const {
  RemoveEventHandler(handler);
}

MacHotKeys::MacHotKeys() : handler_(std::make_unique<std::function<void()>>()) {}

MacHotKeys::~MacHotKeys() = default;

void MacHotKeys::installHandler(std::function<void()> handler) {
  *handler_ = std::move(handler);
  if (installed_) return;
  const EventTypeSpec pressed = {kEventClassKeyboard, kEventHotKeyPressed};
  EventHandlerRef installed = nullptr;
  InstallEventHandler(GetApplicationEventTarget(), &onHotKey, 1, &pressed, handler_.get(),
                      &installed);
  installed_.reset(installed);
}

std::unique_ptr<HotKeyRegistration> MacHotKeys::registerHotKey(std::uint32_t keyCode,
                                                               std::uint32_t modifiers,
                                                               HotKeyId id) {
  EventHotKeyRef ref = nullptr;
  const OSStatus status =
      RegisterEventHotKey(keyCode, carbonModifiers(modifiers), {id.signature, id.id},
                          GetApplicationEventTarget(), 0, &ref);
  if (status != noErr || !ref) return nullptr;
  return std::make_unique<MacHotKeyRegistration>(ref);
}

}  // namespace nvx::platform
