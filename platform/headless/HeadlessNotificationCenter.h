#pragma once

#include <optional>

#include "HeadlessObserver.h"
#include "platform/NotificationCenter.h"

namespace nvx::platform {

// The notification centre in memory: authorization is granted or refused as configured and
// answered at once on the calling thread. A request added goes to the observer and is not
// kept, so that an agent running for weeks without a desktop does not grow.
class HeadlessNotificationCenter final : public NotificationCenter {
 public:
  explicit HeadlessNotificationCenter(bool grants = true) : grants_(grants) {}

  void setDelegate(NotificationDelegate* delegate) override { delegate_ = delegate; }
  void requestAuthorization(unsigned options, std::function<void(bool granted)> reply) override;
  void add(NotificationRequest request) override;

  NotificationDelegate* delegate() const { return delegate_; }
  // The options of the latest authorization request.
  std::optional<unsigned> lastAuthorizationOptions() const { return authorization_; }

  void setObserver(HeadlessObserver* observer) { observer_ = observer; }

  // Acts as the user's click on a posted notification; returns whether the delegate called
  // its completion handler before returning.
  bool click();

 private:
  bool grants_;
  NotificationDelegate* delegate_ = nullptr;
  HeadlessObserver* observer_ = nullptr;
  std::optional<unsigned> authorization_;
};

}  // namespace nvx::platform
