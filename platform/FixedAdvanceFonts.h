#pragma once

#include <string_view>

#include "Fonts.h"

namespace nvx::platform {

// Advance of one UTF-16 code unit per font role, and the system font size, in points.
struct FixedAdvanceMetrics {
  double systemFontSize = 13;
  double menuAdvance = 7;             // FontRole::Menu
  double boldAdvance = 7.5;           // FontRole::BoldSystem
  double monospacedDigitAdvance = 8;  // FontRole::MonospacedDigitSemibold
};

// Deterministic measurement where no font system is asked (in memory, and on Linux, whose
// menu hosts lay out texts themselves): every UTF-16 code unit of a
// single line advances by a fixed width per font role, so widths can be worked out by hand.
// With the default metrics "abc" is 21 points in the menu font and 22.5 in the bold font.
class FixedAdvanceFonts final : public Fonts {
 public:
  using Metrics = FixedAdvanceMetrics;

  explicit FixedAdvanceFonts(Metrics metrics = {}) : metrics_(metrics) {}

  double systemFontSize() const override { return metrics_.systemFontSize; }

  // UTF-16 length of `text` times the advance of `role`.
  double width(std::string_view text, FontRole role) const override;

 private:
  Metrics metrics_;
};

}  // namespace nvx::platform
