#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "HeadlessMenuItem.h"
#include "platform/Menu.h"

namespace nvx::platform {

// A menu in memory: its entries and whether it is open. Not final: tests count its changes.
class HeadlessMenu : public Menu {
 public:
  HeadlessMenu() = default;
  ~HeadlessMenu() override;

  void setAutoenablesItems(bool autoenables) override { autoenables_ = autoenables; }
  std::size_t itemCount() const override { return items_.size(); }
  MenuItem& item(std::size_t index) const override { return *items_.at(index); }
  void removeAllItems() override;

  // Takes over a HeadlessMenuItem; anything else is a programming error and is dropped.
  void addItem(std::unique_ptr<MenuItem> item) override;
  void cancelTracking() override;

  bool autoenablesItems() const { return autoenables_; }
  HeadlessMenuItem& headlessItem(std::size_t index) const { return *items_.at(index); }

  // The menu at the top of this one's chain of parents (itself when it has no parent).
  HeadlessMenu& root();

  // Opens the menu as the user's click on its status item does.
  void open();
  bool isOpen() const { return open_; }

  // Called each time the menu is about to open, like a menu delegate's menuWillOpen.
  void setWillOpen(std::function<void()> willOpen) { willOpen_ = std::move(willOpen); }

  // Called each time an open menu closes through cancelTracking.
  void setDidClose(std::function<void()> didClose) { didClose_ = std::move(didClose); }

 private:
  friend class HeadlessMenuItem;

  std::vector<std::unique_ptr<HeadlessMenuItem>> items_;
  HeadlessMenuItem* parentItem_ = nullptr;
  std::function<void()> willOpen_;
  std::function<void()> didClose_;
  bool autoenables_ = true;
  bool open_ = false;
};

}  // namespace nvx::platform
