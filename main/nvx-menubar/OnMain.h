#pragma once

#include <functional>
#include <utility>

#include "platform/Application.h"

namespace nvx {

// The one way to run work on the main thread from another thread: `block` runs once, on the
// main thread, behind every block queued before it, also while the menu is open. Returns at
// once; never runs the block inline, not even when called on the main thread.
inline void onMain(platform::Application& application, std::function<void()> block) {
  application.post(std::move(block));
}

}  // namespace nvx
