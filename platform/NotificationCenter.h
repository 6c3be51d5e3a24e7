#pragma once

#include <functional>
#include <string>

namespace nvx::platform {

// Authorization and presentation options, with the system's own values.
inline constexpr unsigned kAuthorizationSound = 2;
inline constexpr unsigned kAuthorizationAlert = 4;
inline constexpr unsigned kPresentationSound = 2;
inline constexpr unsigned kPresentationBanner = 16;

// One notification for immediate delivery.
struct NotificationRequest {
  std::string identifier;  // a later request never replaces one with another identifier
  std::string title;
  std::string body;
  bool defaultSound = false;  // play the system's default notification sound
};

// Receives the notification centre's callbacks.
class NotificationDelegate {
 public:
  virtual ~NotificationDelegate() = default;

  // A notification is about to be shown while the agent is frontmost; returns the
  // presentation options. Called on a thread of the system's choosing.
  virtual unsigned willPresentNotification() = 0;

  // The user responded to one of the agent's notifications; `completion` must be called
  // once. Called on a thread of the system's choosing.
  virtual void didReceiveNotificationResponse(std::function<void()> completion) = 0;
};

// The system's notification centre for this process.
class NotificationCenter {
 public:
  virtual ~NotificationCenter() = default;

  // The callbacks go to `delegate`, not owned, alive for the rest of the process.
  virtual void setDelegate(NotificationDelegate* delegate) = 0;

  // Asks to post notifications with `options`; `reply` runs once, on a thread of the
  // system's choosing, with whether it was granted.
  virtual void requestAuthorization(unsigned options, std::function<void(bool granted)> reply) = 0;

  // Schedules `request` for delivery now. Callable from any thread; the outcome is not
  // reported.
  virtual void add(NotificationRequest request) = 0;
};

}  // namespace nvx::platform
