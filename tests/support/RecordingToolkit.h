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
class RecordingStatusButton final : public HeadlessStatusButton {
 public:
  using HeadlessStatusButton::HeadlessStatusButton;
  void setImage(std::shared_ptr<Image> image) override {
    ++imageWrites_, HeadlessStatusButton::setImage(std::move(image));
  }
  void setAttributedTitle(AttributedString title) override {
    ++titleWrites_, HeadlessStatusButton::setAttributedTitle(std::move(title));
  }
  void performClick() override { ++clicks_, HeadlessStatusButton::performClick(); }
  std::size_t imageWrites() const { return imageWrites_; }
  std::size_t attributedTitleWrites() const { return titleWrites_; }
  std::size_t clicks() const { return clicks_; }

 private:
  std::size_t imageWrites_ = 0, titleWrites_ = 0, clicks_ = 0;
};

// Counts removeAllItems and addItem calls: a D-Bus menu's layout revisions.
class RecordingMenu final : public HeadlessMenu {
 public:
  void removeAllItems() override { ++layoutChanges_, HeadlessMenu::removeAllItems(); }
  void addItem(std::unique_ptr<MenuItem> item) override {
    ++layoutChanges_, HeadlessMenu::addItem(std::move(item));
  }
  std::size_t layoutChanges() const { return layoutChanges_; }

 private:
  std::size_t layoutChanges_ = 0;
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

// Makes copy() fail, as it does for an image whose data cannot be duplicated.
class FallibleImage final : public HeadlessImage {
 public:
  using HeadlessImage::HeadlessImage;
  std::shared_ptr<Image> copy() const override { return fails_ ? nullptr : HeadlessImage::copy(); }
  void setCopyFails(bool fails) { fails_ = fails; }

 private:
  bool fails_ = false;
};

}  // namespace nvx::platform
