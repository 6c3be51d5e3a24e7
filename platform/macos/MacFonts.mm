#include "platform/macos/MacFonts.h"

#import <AppKit/AppKit.h>

#include "platform/macos/MacStrings.h"

namespace nvx::platform {

NSFont* fontForRole(FontRole role) {
  switch (role) {
    case FontRole::BoldSystem:
      return [NSFont boldSystemFontOfSize:[NSFont systemFontSize]];
    case FontRole::Menu:
      return [NSFont menuFontOfSize:0];
    case FontRole::MonospacedDigitSemibold:
      return [NSFont monospacedDigitSystemFontOfSize:[NSFont systemFontSize]
                                              weight:NSFontWeightSemibold];
  }
  return [NSFont menuFontOfSize:0];
}

double MacFonts::systemFontSize() const { return [NSFont systemFontSize]; }

double MacFonts::width(std::string_view text, FontRole role) const {
  @autoreleasepool {
    return [toNSString(text) sizeWithAttributes:@{NSFontAttributeName : fontForRole(role)}].width;
  }
}

}  // namespace nvx::platform
