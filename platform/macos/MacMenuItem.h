#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/MenuItem.h"
#include "platform/macos/ObjcRef.h"

#ifdef __OBJC__
@class NSMenuItem;
#endif

namespace nvx::platform {

class MacMenu;

// An NSMenuItem. Its target is a small object of this entry's own that answers `chosen:` by
// passing this entry to the ActionTarget. The core reads back what it wrote (attributed title,
// represented object) from the copies kept here.
class MacMenuItem final : public MenuItem {
 public:
  // An entry with the plain `title` and `action`; a separator when `separator` is true.
  MacMenuItem(std::string_view title, MenuAction action, bool separator);
  ~MacMenuItem() override;

  bool isSeparator() const override;
  std::string title() const override;
  const AttributedString* attributedTitle() const override;
  void setAttributedTitle(AttributedString title) override;
  void setTarget(ActionTarget* target) override;
  void setAction(MenuAction action) override;
  Menu* submenu() const override;
  void setSubmenu(std::unique_ptr<Menu> submenu) override;
  bool isEnabled() const override;
  void setEnabled(bool enabled) override;
  ControlState state() const override;
  void setState(ControlState state) override;
  const std::optional<std::string>& representedObject() const override { return represented_; }
  void setRepresentedObject(std::optional<std::string_view> object) override;

#ifdef __OBJC__
  NSMenuItem* nsMenuItem() const { return item_.as<NSMenuItem>(); }
#endif

 private:
  ObjcRef item_;
  ObjcRef action_;  // the entry's NSMenuItem target, which forwards `chosen:`
  std::optional<AttributedString> attributedTitle_;
  std::optional<std::string> represented_;
  std::unique_ptr<MacMenu> submenu_;
};

}  // namespace nvx::platform
