#pragma once

#include <vector>

#include "NotificationCenter.h"

namespace nvx::platform {

// The notification centre in memory: authorization is granted or refused as configured and
// answered at once on the calling thread; added requests are kept in order.
class HeadlessNotificationCenter final : public NotificationCenter {
 public:
  explicit HeadlessNotificationCenter(bool grants = true) : grants_(grants) {}

  void setDelegate(NotificationDelegate* delegate) override { delegate_ = delegate; }
  void requestAuthorization(unsigned options, std::function<void(bool granted)> reply) override;
  void add(NotificationRequest request) override { requests_.push_back(std::move(request)); }

  NotificationDelegate* delegate() const { return delegate_; }
  // The options of every authorization request, in order.
  const std::vector<unsigned>& authorizationRequests() const { return authorizations_; }
  const std::vector<NotificationRequest>& requests() const { return requests_; }

  // Acts as the user's click on a posted notification; returns whether the delegate called
  // its completion handler before returning.
  bool click();

 private:
  bool grants_;
  NotificationDelegate* delegate_ = nullptr;
  std::vector<unsigned> authorizations_;
  std::vector<NotificationRequest> requests_;
};

}  // namespace nvx::platform
