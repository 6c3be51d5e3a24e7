#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace nvx::platform {

// Names one registered hot key: a four-character signature and a number.
struct HotKeyId {
  std::uint32_t signature = 0;
  std::uint32_t id = 0;
};

// A registered hot key; it stays registered while this object lives.
class HotKeyRegistration {
 public:
  virtual ~HotKeyRegistration() = default;
};

// System-wide keyboard shortcuts delivered to the application.
class HotKeys {
 public:
  virtual ~HotKeys() = default;

  // `handler` runs on the main thread for every hot-key press delivered to the application.
  virtual void installHandler(std::function<void()> handler) = 0;

  // Claims `keyCode` (a virtual key code of the ANSI layout: a key position, not a letter)
  // with `modifiers` (control 0x1000, option/alt 0x800, shift 0x200, command 0x100)
  // system-wide; null when the system refuses.
  virtual std::unique_ptr<HotKeyRegistration> registerHotKey(std::uint32_t keyCode,
                                                             std::uint32_t modifiers,
                                                             HotKeyId id) = 0;
};

}  // namespace nvx::platform
