#pragma once

#include <functional>

#include "platform/NotificationCenter.h"
#include "platform/macos/ObjcRef.h"

namespace nvx::platform {

// UNUserNotificationCenter, fetched anew at each use. It exists only for a process started
// from an application bundle; without one every call does nothing and authorization is
// refused.
class MacNotificationCenter final : public NotificationCenter {
 public:
  MacNotificationCenter() = default;
  MacNotificationCenter(const MacNotificationCenter&) = delete;
  MacNotificationCenter& operator=(const MacNotificationCenter&) = delete;

  void setDelegate(NotificationDelegate* delegate) override;
  void requestAuthorization(unsigned options, std::function<void(bool granted)> reply) override;
  void add(NotificationRequest request) override;

 private:
  ObjcRef delegate_;  // the UNUserNotificationCenterDelegate that forwards; the centre holds it
                      // weakly
};

}  // namespace nvx::platform
