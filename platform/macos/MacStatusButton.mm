#include "platform/macos/MacStatusButton.h"

#import <AppKit/AppKit.h>

#include <utility>

#include "platform/macos/MacAttributedString.h"
#include "platform/macos/MacImage.h"
#include "platform/macos/MacStrings.h"

namespace nvx::platform {

MacStatusButton::MacStatusButton(NSStatusBarButton* button) : button_(button) {}

void MacStatusButton::setImage(std::shared_ptr<Image> image) {
  nsButton().image = MacImage::nsImageOf(image.get());
  image_ = std::move(image);
}

void MacStatusButton::setImagePosition(ImagePosition position) {
  switch (position) {
    case ImagePosition::Leading:
      nsButton().imagePosition = NSImageLeading;
      return;
  }
}

std::string MacStatusButton::title() const { return toStdString(nsButton().title); }

void MacStatusButton::setAttributedTitle(AttributedString title) {
  nsButton().attributedTitle = toNSAttributedString(title);
}

void MacStatusButton::setAccessibilityTitle(std::string title) {
  [nsButton() setAccessibilityTitle:toNSString(title)];
}

void MacStatusButton::setToolTip(std::string toolTip) { nsButton().toolTip = toNSString(toolTip); }

Rect MacStatusButton::bounds() const {
  const NSRect r = nsButton().bounds;
  return {r.origin.x, r.origin.y, r.size.width, r.size.height};
}

void MacStatusButton::performClick() { [nsButton() performClick:nil]; }

}  // namespace nvx::platform
