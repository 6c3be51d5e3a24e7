#pragma once

#include <functional>

namespace nvx::platform {

// The main thread's event loop.
class MainLoop {
 public:
  virtual ~MainLoop() = default;

  // Runs `action` once on the main thread after `seconds` (negative or NaN: as soon as
  // possible), also while a menu is open. The loop owns the pending action; nothing cancels it.
  virtual void scheduleOnce(double seconds, std::function<void()> action) = 0;
};

}  // namespace nvx::platform
