#include "HeadlessNotificationCenter.h"

namespace nvx::platform {

void HeadlessNotificationCenter::requestAuthorization(unsigned options,
                                                      std::function<void(bool granted)> reply) {
  authorization_ = options;
  reply(grants_);
}

void HeadlessNotificationCenter::add(NotificationRequest request) {
  if (observer_) observer_->notificationPosted(request);
}

bool HeadlessNotificationCenter::click() {
  bool completed = false;
  if (delegate_) delegate_->didReceiveNotificationResponse([&completed] { completed = true; });
  return completed;
}

}  // namespace nvx::platform
