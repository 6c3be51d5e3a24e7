#pragma once

#include <memory>
#include <vector>

#include "HeadlessStatusItem.h"
#include "platform/StatusBar.h"

namespace nvx::platform {

// A status bar in memory: the items alive, in order of creation. Not final: tests give its
// items buttons of their own.
class HeadlessStatusBar : public StatusBar {
 public:
  // Whether new items get a button (a real bar may give none).
  explicit HeadlessStatusBar(bool itemsHaveButton = true) : itemsHaveButton_(itemsHaveButton) {}
  HeadlessStatusBar(const HeadlessStatusBar&) = delete;
  HeadlessStatusBar& operator=(const HeadlessStatusBar&) = delete;

  std::unique_ptr<StatusItem> createStatusItem() override;
  void removeStatusItem(StatusItem& item) override;

  // Items not yet destroyed, removed ones included.
  const std::vector<HeadlessStatusItem*>& items() const { return items_; }

 protected:
  // The button of a new item.
  virtual std::unique_ptr<HeadlessStatusButton> createButton(HeadlessStatusItem& item);

 private:
  friend class HeadlessStatusItem;
  void forget(HeadlessStatusItem* item);

  bool itemsHaveButton_;
  std::vector<HeadlessStatusItem*> items_;
};

}  // namespace nvx::platform
