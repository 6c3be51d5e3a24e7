#include "platform/macos/MacSharePicker.h"

#import <AppKit/AppKit.h>

#include "platform/macos/MacStatusButton.h"
#include "platform/macos/MacStrings.h"

namespace nvx::platform {
namespace {

NSRectEdge nsEdge(RectEdge edge) {
  switch (edge) {
    case RectEdge::MinY:
      return NSMinYEdge;
  }
  return NSMinYEdge;
}

}  // namespace

void MacSharePicker::show(std::string_view text, StatusButton& view, Rect rect, RectEdge edge) {
  NSSharingServicePicker* picker =
      [[NSSharingServicePicker alloc] initWithItems:@[ toNSString(text) ]];
  picker_ = ObjcRef(picker);
  // Buttons come from the same platform, so they are ours.
  [picker showRelativeToRect:NSMakeRect(rect.x, rect.y, rect.width, rect.height)
                      ofView:static_cast<MacStatusButton&>(view).nsButton()
               preferredEdge:nsEdge(edge)];
}

}  // namespace nvx::platform
