#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ActionTarget.h"
#include "AttributedString.h"

namespace nvx::platform {

class Menu;

// What choosing an entry does: nothing, or `chosen` on the entry's target.
enum class MenuAction { None, Chosen };

// The check state of an entry.
enum class ControlState { Off = 0, On = 1, Mixed = -1 };

// One entry of a menu, or a separator line. Created by the Toolkit, owned by the menu it is
// added to. Setters on an entry that is already in a menu are property changes of that same
// entry (a D-Bus backend reports them as ItemsPropertiesUpdated for its id, coalesced until
// idle); they never change the menu's layout.
class MenuItem {
 public:
  virtual ~MenuItem() = default;
  MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  // True for a separator line, which is never chosen and shows no title.
  virtual bool isSeparator() const = 0;

  // The plain title, shown when no attributed title is set.
  virtual std::string title() const = 0;

  // The styled title; null until one is set.
  virtual const AttributedString* attributedTitle() const = 0;
  virtual void setAttributedTitle(AttributedString title) = 0;

  // The object that `action` is sent to; not owned.
  virtual void setTarget(ActionTarget* target) = 0;
  virtual void setAction(MenuAction action) = 0;

  // The submenu this entry opens, owned by the entry; null when it opens none.
  virtual Menu* submenu() const = 0;
  virtual void setSubmenu(std::unique_ptr<Menu> submenu) = 0;

  // A disabled entry is shown dimmed and cannot be chosen.
  virtual bool isEnabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;

  // The check mark.
  virtual ControlState state() const = 0;
  virtual void setState(ControlState state) = 0;

  // A text the core stores on the entry (a copy) and reads back when it is chosen.
  virtual const std::optional<std::string>& representedObject() const = 0;
  virtual void setRepresentedObject(std::optional<std::string_view> object) = 0;
};

}  // namespace nvx::platform
