#include "platform/macos/MacStatusBar.h"

#import <AppKit/AppKit.h>

#include "platform/macos/MacStatusItem.h"

namespace nvx::platform {

std::unique_ptr<StatusItem> MacStatusBar::createStatusItem() {
  return std::make_unique<MacStatusItem>(
      [[NSStatusBar systemStatusBar] statusItemWithLength:NSVariableStatusItemLength]);
}

void MacStatusBar::removeStatusItem(StatusItem& item) {
  // Items come from the same platform, so they are ours.
  static_cast<MacStatusItem&>(item).remove();
}

}  // namespace nvx::platform
