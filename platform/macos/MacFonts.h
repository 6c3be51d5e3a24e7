#pragma once

#include <string_view>

#include "platform/Fonts.h"

#ifdef __OBJC__
@class NSFont;
#endif

namespace nvx::platform {

// NSFont's sizes and NSString's measurement; fonts are asked of AppKit at each use.
class MacFonts final : public Fonts {
 public:
  double systemFontSize() const override;
  double width(std::string_view text, FontRole role) const override;
};

#ifdef __OBJC__
// The system font that stands for `role` now.
NSFont* fontForRole(FontRole role);
#endif

}  // namespace nvx::platform
