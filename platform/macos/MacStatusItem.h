#pragma once

#include <memory>

#include "platform/StatusItem.h"
#include "platform/macos/MacStatusButton.h"
#include "platform/macos/ObjcRef.h"

#ifdef __OBJC__
@class NSStatusItem;
#endif

namespace nvx::platform {

// An NSStatusItem of the system status bar, with its button when AppKit gives it one.
class MacStatusItem final : public StatusItem {
 public:
#ifdef __OBJC__
  explicit MacStatusItem(NSStatusItem* item);
  NSStatusItem* nsStatusItem() const { return item_.as<NSStatusItem>(); }
#endif

  StatusButton* button() const override { return button_.get(); }
  void setMenu(Menu* menu) override;

  // Takes the item off the bar; later calls do nothing.
  void remove();

 private:
  ObjcRef item_;
  std::unique_ptr<MacStatusButton> button_;
  bool removed_ = false;
};

}  // namespace nvx::platform
