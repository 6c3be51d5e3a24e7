#pragma once

#include <string_view>

#include "Geometry.h"
#include "StatusButton.h"

namespace nvx::platform {

// The system's picker of sharing services.
class SharePicker {
 public:
  virtual ~SharePicker() = default;

  // Offers `text` for sharing in a picker shown next to `rect` of `view`, on `edge`.
  virtual void show(std::string_view text, StatusButton& view, Rect rect, RectEdge edge) = 0;
};

}  // namespace nvx::platform
