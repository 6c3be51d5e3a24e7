#include "HeadlessNotificationCenter.h"

namespace nvx::platform {

void HeadlessNotificationCenter::requestAuthorization(unsigned options,
                                                      std::function<void(bool granted)> reply) {
  authorizations_.push_back(options);
  reply(grants_);
}

bool HeadlessNotificationCenter::click() {
  bool completed = false;
  if (delegate_) delegate_->didReceiveNotificationResponse([&completed] { completed = true; });
  return completed;
}

}  // namespace nvx::platform
