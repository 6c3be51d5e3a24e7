#pragma once

#include <cstddef>
#include <memory>

#include "MenuItem.h"

namespace nvx::platform {

// A menu: an ordered list of entries it owns. Changing the list is a layout change (a D-Bus
// backend emits one LayoutUpdated for a run of removeAllItems and addItem calls, coalesced
// until idle); nothing else is. There is no transaction call: the split between property
// setters on MenuItem and these two layout calls is what a backend needs to tell a refresh
// from a rebuild.
class Menu {
 public:
  virtual ~Menu() = default;
  Menu() = default;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  // With automatic enabling off, an entry is enabled exactly as its setEnabled says.
  virtual void setAutoenablesItems(bool autoenables) = 0;

  // Number of entries, separators included.
  virtual std::size_t itemCount() const = 0;

  // Entry `index` (< itemCount()); the same object for as long as it stays in the menu.
  virtual MenuItem& item(std::size_t index) const = 0;

  // Removes and destroys every entry.
  virtual void removeAllItems() = 0;

  // Appends `item`, made by the same Toolkit, and takes it over.
  virtual void addItem(std::unique_ptr<MenuItem> item) = 0;

  // Closes the menu when it is open (with its submenus); does nothing otherwise.
  virtual void cancelTracking() = 0;
};

}  // namespace nvx::platform
