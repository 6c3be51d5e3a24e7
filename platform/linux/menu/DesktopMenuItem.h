#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "EntryProperties.h"
#include "platform/MenuItem.h"

namespace nvx::platform {

class DesktopMenu;
class MenuTree;

// A menu entry exported over dbusmenu under an id of its own. Every setter updates what the
// entry shows (EntryProperties) and, when that differs from what hosts were last told, asks
// the tree to publish it; setting a submenu is a layout change.
class DesktopMenuItem final : public MenuItem {
 public:
  // An entry (or, with `separator`, a separator line) of `tree`, which must outlive it.
  DesktopMenuItem(MenuTree& tree, std::string title, MenuAction action, bool separator);
  ~DesktopMenuItem() override;

  bool isSeparator() const override { return shown_.separator; }
  std::string title() const override { return title_; }
  const AttributedString* attributedTitle() const override;
  void setAttributedTitle(AttributedString title) override;
  void setTarget(ActionTarget* target) override { target_ = target; }
  void setAction(MenuAction action) override { action_ = action; }
  Menu* submenu() const override;
  void setSubmenu(std::unique_ptr<Menu> submenu) override;
  bool isEnabled() const override { return shown_.enabled; }
  void setEnabled(bool enabled) override;
  ControlState state() const override { return shown_.state; }
  void setState(ControlState state) override;
  const std::optional<std::string>& representedObject() const override { return represented_; }
  void setRepresentedObject(std::optional<std::string_view> object) override;

  std::int32_t id() const { return id_; }
  // Gives the entry a new id, so that hosts take it for a new one when they fetch its menu.
  void renumber();

  // What the entry shows now, and what hosts were last told.
  const EntryProperties& properties() const { return shown_; }
  const EntryProperties& published() const { return published_; }
  // Records that hosts now know properties().
  void markPublished();

  // The menu holding the entry (null until added), and its submenu as this backend's type.
  DesktopMenu* menu() const { return menu_; }
  DesktopMenu* desktopSubmenu() const { return submenu_.get(); }

  // True when a user's click would choose the entry: enabled, no submenu, action Chosen and
  // a target to send it to.
  bool acceptsClick() const;

  // Sends the entry's action to its target, as a user's click does, and has hosts told its
  // check mark again; the entry may be gone afterwards.
  void choose();

 private:
  friend class DesktopMenu;
  void changed();

  MenuTree& tree_;
  std::int32_t id_;
  std::string title_;
  std::optional<AttributedString> attributedTitle_;
  MenuAction action_;
  ActionTarget* target_ = nullptr;
  std::unique_ptr<DesktopMenu> submenu_;
  std::optional<std::string> represented_;
  DesktopMenu* menu_ = nullptr;
  EntryProperties shown_;
  EntryProperties published_;
  bool queued_ = false;  // listed in the tree's pending entries
};

}  // namespace nvx::platform
