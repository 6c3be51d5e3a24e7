#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/HotKeys.h"

// Carbon's handle of an installed event handler (EventHandlerRef), as its headers declare it.
struct OpaqueEventHandlerRef;

namespace nvx::platform {

// Hot keys of the Carbon event manager, delivered to the application event target, whose
// handlers run on the main thread.
class MacHotKeys final : public HotKeys {
 public:
  MacHotKeys();
  // Removes the handler, so that no press reaches a destroyed object.
  ~MacHotKeys() override;
  MacHotKeys(const MacHotKeys&) = delete;
  MacHotKeys& operator=(const MacHotKeys&) = delete;

  // Installs the one handler on the first call; later calls replace what it runs.
  void installHandler(std::function<void()> handler) override;
  std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                     HotKeyId id) override;

 private:
  struct HandlerRemover {
    void operator()(OpaqueEventHandlerRef* handler) const;
  };

  // Boxed, so that the Carbon handler's user data keeps its address.
  std::unique_ptr<std::function<void()>> handler_;
  std::unique_ptr<OpaqueEventHandlerRef, HandlerRemover> installed_;
};

}  // namespace nvx::platform
