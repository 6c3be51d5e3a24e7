#pragma once

#include <functional>
#include <vector>

#include "platform/HotKeys.h"

namespace nvx::platform {

// Hot keys in memory: registrations are kept, and press() acts as the user pressing one.
class HeadlessHotKeys final : public HotKeys {
 public:
  struct Registration {
    std::uint32_t keyCode;
    std::uint32_t modifiers;
    HotKeyId id;
  };

  explicit HeadlessHotKeys(bool registers = true) : registers_(registers) {}

  void installHandler(std::function<void()> handler) override;
  std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                     HotKeyId id) override;

  // The registrations the system accepted or refused, in order.
  const std::vector<Registration>& registrations() const { return registrations_; }

  // A press of the key: every installed handler runs, once a registration was accepted.
  void press();

 private:
  bool registers_;
  bool registered_ = false;
  std::vector<std::function<void()>> handlers_;
  std::vector<Registration> registrations_;
};

}  // namespace nvx::platform
