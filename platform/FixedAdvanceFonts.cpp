#include "FixedAdvanceFonts.h"

#include "Utf16.h"

namespace nvx::platform {

double FixedAdvanceFonts::width(std::string_view text, FontRole role) const {
  double advance = metrics_.menuAdvance;
  switch (role) {
    case FontRole::Menu:
      break;
    case FontRole::BoldSystem:
      advance = metrics_.boldAdvance;
      break;
    case FontRole::MonospacedDigitSemibold:
      advance = metrics_.monospacedDigitAdvance;
      break;
  }
  return static_cast<double>(utf16Length(text)) * advance;
}

}  // namespace nvx::platform
