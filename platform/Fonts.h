#pragma once

#include <string_view>

#include "Roles.h"

namespace nvx::platform {

// Font sizes and text measurement; asked anew at each use, never cached by the core.
class Fonts {
 public:
  virtual ~Fonts() = default;

  // The system font size in points.
  virtual double systemFontSize() const = 0;

  // Advance width in points of the UTF-8 text set on one line in the font of `role`.
  virtual double width(std::string_view text, FontRole role) const = 0;
};

}  // namespace nvx::platform
