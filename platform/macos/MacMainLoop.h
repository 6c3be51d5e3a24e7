#pragma once

#include <functional>

#include "platform/MainLoop.h"

namespace nvx::platform {

// One-shot NSTimers on the main run loop, in its common modes so that they also fire while a
// menu is being tracked.
class MacMainLoop final : public MainLoop {
 public:
  void scheduleOnce(double seconds, std::function<void()> action) override;
};

}  // namespace nvx::platform
