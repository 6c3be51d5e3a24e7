#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/MenuItem.h"

namespace nvx::platform {

class HeadlessMenu;

// A menu entry in memory: its properties as shown.
class HeadlessMenuItem final : public MenuItem {
 public:
  // An entry (or, with `separator`, a separator line) with the plain `title` and `action`;
  // `id` is unique among the entries of one platform.
  HeadlessMenuItem(std::uint64_t id, std::string title, MenuAction action, bool separator);
  ~HeadlessMenuItem() override;

  bool isSeparator() const override { return separator_; }
  std::string title() const override { return title_; }
  const AttributedString* attributedTitle() const override;
  void setAttributedTitle(AttributedString title) override { attributedTitle_ = std::move(title); }
  void setTarget(ActionTarget* target) override { target_ = target; }
  void setAction(MenuAction action) override { action_ = action; }
  Menu* submenu() const override;
  void setSubmenu(std::unique_ptr<Menu> submenu) override;
  bool isEnabled() const override { return enabled_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  ControlState state() const override { return state_; }
  void setState(ControlState state) override { state_ = state; }
  const std::optional<std::string>& representedObject() const override { return represented_; }
  void setRepresentedObject(std::optional<std::string_view> object) override;

  // The entry's id, as a D-Bus menu would publish it: never reused, so a rebuilt entry has a
  // new one even where the allocator hands out the old address.
  std::uint64_t id() const { return id_; }

  // What choosing the entry does, and to whom.
  ActionTarget* target() const { return target_; }
  MenuAction action() const { return action_; }

  // submenu(), as the in-memory type.
  HeadlessMenu* headlessSubmenu() const { return submenu_.get(); }

  // The menu holding this entry; null until it is added to one.
  HeadlessMenu* menu() const { return menu_; }

  // A user's click. An enabled entry without a submenu whose action is Chosen closes its
  // menus and sends `chosen` to its target; then the entry may be gone (the target may
  // rebuild the menu). Returns whether the action was sent.
  bool click();

 private:
  friend class HeadlessMenu;

  std::uint64_t id_;
  std::string title_;
  std::optional<AttributedString> attributedTitle_;
  MenuAction action_;
  bool separator_;
  ActionTarget* target_ = nullptr;
  std::unique_ptr<HeadlessMenu> submenu_;
  bool enabled_ = true;
  ControlState state_ = ControlState::Off;
  std::optional<std::string> represented_;
  HeadlessMenu* menu_ = nullptr;
};

}  // namespace nvx::platform
