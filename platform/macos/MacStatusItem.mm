#include "platform/macos/MacStatusItem.h"

#import <AppKit/AppKit.h>

#include "platform/macos/MacMenu.h"

namespace nvx::platform {

MacStatusItem::MacStatusItem(NSStatusItem* item) : item_(item) {
  if (NSStatusBarButton* button = item.button) button_ = std::make_unique<MacStatusButton>(button);
}

void MacStatusItem::setMenu(Menu* menu) {
  // Menus come from the same platform, so they are ours.
  nsStatusItem().menu = menu ? static_cast<MacMenu*>(menu)->nsMenu() : nil;
}

void MacStatusItem::remove() {
  if (removed_) return;
  removed_ = true;
  [[NSStatusBar systemStatusBar] removeStatusItem:nsStatusItem()];
}

}  // namespace nvx::platform
