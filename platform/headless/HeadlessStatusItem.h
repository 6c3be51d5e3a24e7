#pragma once

#include <memory>

#include "HeadlessMenu.h"
#include "HeadlessStatusButton.h"
#include "platform/StatusItem.h"

namespace nvx::platform {

class HeadlessStatusBar;

// A status item in memory; it leaves its bar's list when destroyed.
class HeadlessStatusItem final : public StatusItem {
 public:
  // An item of `bar`, which must outlive it, with or without a button.
  HeadlessStatusItem(HeadlessStatusBar& bar, bool withButton);
  ~HeadlessStatusItem() override;

  StatusButton* button() const override { return button_.get(); }

  // Takes a HeadlessMenu (or null); a menu of another platform is a programming error.
  void setMenu(Menu* menu) override;

  HeadlessStatusButton* headlessButton() const { return button_.get(); }
  HeadlessMenu* menu() const { return menu_; }

  // False once the bar was asked to remove the item.
  bool isInStatusBar() const { return inStatusBar_; }

 private:
  friend class HeadlessStatusBar;

  HeadlessStatusBar& bar_;
  std::unique_ptr<HeadlessStatusButton> button_;
  HeadlessMenu* menu_ = nullptr;
  bool inStatusBar_ = true;
};

}  // namespace nvx::platform
