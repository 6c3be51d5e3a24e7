#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "HeadlessObserver.h"
#include "platform/SharePicker.h"

namespace nvx::platform {

// A share picker in memory: keeps the showing on screen (the last one) and reports it to the
// observer. Nothing is shared.
class HeadlessSharePicker final : public SharePicker {
 public:
  struct Showing {
    std::string text;
    const StatusButton* view = nullptr;
    Rect rect;
    RectEdge edge = RectEdge::MinY;
  };

  void show(std::string_view text, StatusButton& view, Rect rect, RectEdge edge) override {
    last_ = Showing{std::string(text), &view, rect, edge};
    ++count_;
    if (observer_) observer_->shareShown(text);
  }

  // The latest showing, and how many there were.
  const std::optional<Showing>& last() const { return last_; }
  std::size_t count() const { return count_; }

  void setObserver(HeadlessObserver* observer) { observer_ = observer; }

 private:
  std::optional<Showing> last_;
  std::size_t count_ = 0;
  HeadlessObserver* observer_ = nullptr;
};

}  // namespace nvx::platform
