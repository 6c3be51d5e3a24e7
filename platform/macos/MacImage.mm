#include "platform/macos/MacImage.h"

#import <AppKit/AppKit.h>

namespace nvx::platform {

MacImage::MacImage(NSImage* image) : image_(image) {}

std::shared_ptr<MacImage> MacImage::wrap(NSImage* image) {
  if (!image) return nullptr;
  return std::shared_ptr<MacImage>(new MacImage(image));
}

NSImage* MacImage::nsImageOf(const Image* image) {
  const auto* mac = dynamic_cast<const MacImage*>(image);
  return mac ? mac->nsImage() : nil;
}

Size MacImage::size() const {
  const NSSize size = nsImage().size;
  return {size.width, size.height};
}

void MacImage::setSize(Size size) { nsImage().size = NSMakeSize(size.width, size.height); }

bool MacImage::isTemplate() const { return [nsImage() isTemplate]; }

void MacImage::setTemplate(bool isTemplate) { [nsImage() setTemplate:isTemplate]; }

std::shared_ptr<Image> MacImage::copy() const {
  id copy = [nsImage() copy];
  if (![copy isKindOfClass:[NSImage class]]) return nullptr;
  return wrap(copy);
}

std::shared_ptr<Image> MacImage::withSymbolConfiguration(
    const SymbolConfiguration& configuration) const {
  NSImageSymbolConfiguration* symbol =
      [NSImageSymbolConfiguration configurationWithPointSize:configuration.pointSize
                                                      weight:NSFontWeightRegular];
  return wrap([nsImage() imageWithSymbolConfiguration:symbol]);
}

}  // namespace nvx::platform
