#include "HeadlessMainLoop.h"

namespace nvx::platform {

void HeadlessMainLoop::scheduleOnce(double seconds, std::function<void()> action) {
  if (!action) return;
  const double delay = seconds > 0 ? seconds : 0;  // NaN compares false
  pending_.emplace(Key{now_ + delay, scheduled_++}, std::move(action));
}

std::optional<double> HeadlessMainLoop::nextDue() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.begin()->first.first;
}

std::size_t HeadlessMainLoop::advance(double seconds) {
  const double until = now_ + (seconds > 0 ? seconds : 0);
  std::size_t ran = 0;
  while (!pending_.empty() && pending_.begin()->first.first <= until) {
    auto next = pending_.begin();
    if (next->first.first > now_) now_ = next->first.first;
    std::function<void()> action = std::move(next->second);
    pending_.erase(next);
    action();
    ++ran;
  }
  now_ = until;
  return ran;
}

}  // namespace nvx::platform
