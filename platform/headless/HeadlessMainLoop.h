#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "platform/MainLoop.h"

namespace nvx::platform {

// A timer queue on a clock of its own. Whoever runs the loop moves the clock on with
// advance() (from elapsed real time, or by hand in a test) and due actions run right there,
// in the order of their due time, then of scheduling.
class HeadlessMainLoop final : public MainLoop {
 public:
  void scheduleOnce(double seconds, std::function<void()> action) override;

  // Seconds on the loop's clock since it was made.
  double now() const { return now_; }

  // The due time of the earliest pending action.
  std::optional<double> nextDue() const;

  // Number of actions waiting.
  std::size_t pendingCount() const { return pending_.size(); }

  // Moves the clock on by `seconds` (negative counts as 0) and runs every action due by then,
  // also those scheduled while running. Returns how many ran.
  std::size_t advance(double seconds);

 private:
  using Key = std::pair<double, std::uint64_t>;  // due time, order of scheduling
  double now_ = 0;
  std::uint64_t scheduled_ = 0;
  std::map<Key, std::function<void()>> pending_;
};

}  // namespace nvx::platform
