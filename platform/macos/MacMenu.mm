#include "platform/macos/MacMenu.h"

#import <AppKit/AppKit.h>

#include <utility>

namespace nvx::platform {

MacMenu::MacMenu() : menu_([[NSMenu alloc] init]) {}

MacMenu::~MacMenu() {
  // The entries go before the menu that shows them.
  removeAllItems();
}

void MacMenu::setAutoenablesItems(bool autoenables) { nsMenu().autoenablesItems = autoenables; }

void MacMenu::removeAllItems() {
  [nsMenu() removeAllItems];
  items_.clear();
}

void MacMenu::addItem(std::unique_ptr<MenuItem> item) {
  // Entries come from the same platform, so they are ours.
  std::unique_ptr<MacMenuItem> entry(static_cast<MacMenuItem*>(item.release()));
  [nsMenu() addItem:entry->nsMenuItem()];
  items_.push_back(std::move(entry));
}

void MacMenu::cancelTracking() { [nsMenu() cancelTracking]; }

}  // namespace nvx::platform
