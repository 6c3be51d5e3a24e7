#pragma once

#include <string>
#include <vector>

#include "SharePicker.h"

namespace nvx::platform {

// A share picker in memory: records what it was asked to show and where. Nothing is shared.
class HeadlessSharePicker final : public SharePicker {
 public:
  struct Showing {
    std::string text;
    const StatusButton* view = nullptr;
    Rect rect;
    RectEdge edge = RectEdge::MinY;
  };

  void show(std::string_view text, StatusButton& view, Rect rect, RectEdge edge) override {
    shown_.push_back({std::string(text), &view, rect, edge});
  }

  // Every showing, oldest first.
  const std::vector<Showing>& shown() const { return shown_; }

 private:
  std::vector<Showing> shown_;
};

}  // namespace nvx::platform
