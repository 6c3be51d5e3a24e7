#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/Menu.h"
#include "platform/macos/MacMenuItem.h"
#include "platform/macos/ObjcRef.h"

#ifdef __OBJC__
@class NSMenu;
#endif

namespace nvx::platform {

// An NSMenu and the entries it shows, kept in the same order as the NSMenu's items.
class MacMenu final : public Menu {
 public:
  // A new empty NSMenu (automatic enabling on, as AppKit makes it).
  MacMenu();
  ~MacMenu() override;

  void setAutoenablesItems(bool autoenables) override;
  std::size_t itemCount() const override { return items_.size(); }
  MenuItem& item(std::size_t index) const override { return *items_[index]; }
  void removeAllItems() override;
  void addItem(std::unique_ptr<MenuItem> item) override;
  void cancelTracking() override;

#ifdef __OBJC__
  NSMenu* nsMenu() const { return menu_.as<NSMenu>(); }
#endif

 private:
  ObjcRef menu_;
  std::vector<std::unique_ptr<MacMenuItem>> items_;
};

}  // namespace nvx::platform
