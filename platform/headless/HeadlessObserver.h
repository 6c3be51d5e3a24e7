#pragma once

#include <string_view>

#include "platform/NotificationCenter.h"

namespace nvx::platform {

// What a person would notice of the in-memory desktop as it happens; a program driving the
// agent in place of a user reads it (the control channel). Main thread only.
class HeadlessObserver {
 public:
  virtual void menuOpened() = 0;
  virtual void menuClosed() = 0;
  virtual void shareShown(std::string_view text) = 0;
  virtual void notificationPosted(const NotificationRequest& request) = 0;

 protected:
  ~HeadlessObserver() = default;
};

}  // namespace nvx::platform
