#pragma once

namespace nvx::platform {

// A width and a height in points.
struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle in points; y grows upwards, so a negative y lies below the baseline.
struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The side of a rectangle next to which a popover appears.
enum class RectEdge {
  MinY,  // below the rectangle
};

}  // namespace nvx::platform
