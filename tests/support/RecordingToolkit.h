#pragma once

#include <cstddef>
#include <memory>
#include <utility>

#include "platform/headless/HeadlessToolkit.h"

// The in-memory platform with what only tests read: counts of the writes its objects receive,
// so that a test sees a write left out that would change nothing (each costs a D-Bus signal on
// the desktop), and an image whose copy can fail.
namespace nvx::platform {

// Counts its image and title writes and its clicks.
struct RecordingStatusButton final : HeadlessStatusButton {
  using HeadlessStatusButton::HeadlessStatusButton;
  void setImage(std::shared_ptr<Image> image) override {
    ++imageWrites, HeadlessStatusButton::setImage(std::move(image));
  }
  void setAttributedTitle(AttributedString title) override {
    ++attributedTitleWrites, HeadlessStatusButton::setAttributedTitle(std::move(title));
  }
  void performClick() override { ++clicks, HeadlessStatusButton::performClick(); }
  std::size_t imageWrites = 0, attributedTitleWrites = 0, clicks = 0;
};

// Counts removeAllItems and addItem calls: a D-Bus menu's layout revisions.
struct RecordingMenu final : HeadlessMenu {
  void removeAllItems() override { ++layoutChanges, HeadlessMenu::removeAllItems(); }
  void addItem(std::unique_ptr<MenuItem> item) override {
    ++layoutChanges, HeadlessMenu::addItem(std::move(item));
  }
  std::size_t layoutChanges = 0;
};

// Makes menus and status buttons that count; its menus report to no observer.
class RecordingToolkit final : public HeadlessToolkit {
 public:
  explicit RecordingToolkit(HeadlessOptions options = {})
      : HeadlessToolkit(options), bar_(options.statusItemsHaveButton) {}
  HeadlessStatusBar& statusBar() override { return bar_; }
  std::unique_ptr<Menu> createMenu() override { return std::make_unique<RecordingMenu>(); }

 private:
  struct Bar final : HeadlessStatusBar {
    using HeadlessStatusBar::HeadlessStatusBar;
    std::unique_ptr<HeadlessStatusButton> createButton(HeadlessStatusItem& item) override {
      return std::make_unique<RecordingStatusButton>(item);
    }
  };
  Bar bar_;
};

// copy() fails while `copyFails` is set, as for an image whose data cannot be duplicated.
struct FallibleImage final : HeadlessImage {
  using HeadlessImage::HeadlessImage;
  std::shared_ptr<Image> copy() const override {
    return copyFails ? nullptr : HeadlessImage::copy();
  }
  bool copyFails = false;
};

}  // namespace nvx::platform
