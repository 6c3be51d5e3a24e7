#include "platform/macos/MacSymbolImages.h"

#import <AppKit/AppKit.h>

#include "platform/macos/MacImage.h"
#include "platform/macos/MacStrings.h"

namespace nvx::platform {

std::shared_ptr<Image> MacSymbolImages::symbolImage(std::string_view name,
                                                    std::string_view accessibilityDescription) {
  return MacImage::wrap([NSImage imageWithSystemSymbolName:toNSString(name)
                                  accessibilityDescription:toNSString(accessibilityDescription)]);
}

}  // namespace nvx::platform
