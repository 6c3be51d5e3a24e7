#pragma once

#include <memory>
#include <string_view>

#include "Fonts.h"
#include "MainLoop.h"
#include "Menu.h"
#include "SharePicker.h"
#include "StatusBar.h"
#include "SymbolImages.h"

namespace nvx::platform {

// The user-interface toolkit: everything the core asks of the desktop, supplied by one backend
// (in memory, D-Bus or AppKit). One platform object stands for each core object; all calls on
// the main thread.
// The Toolkit outlives every object it made.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // The services, each alive as long as the Toolkit.
  virtual StatusBar& statusBar() = 0;        // the status bar and its items
  virtual Fonts& fonts() = 0;                // font sizes and text measurement
  virtual SymbolImages& symbolImages() = 0;  // named system symbols
  virtual SharePicker* sharePicker() = 0;    // the sharing services picker; null: none
  virtual MainLoop& mainLoop() = 0;          // one-shot timers on the main thread

  // A new empty menu, automatic enabling on.
  virtual std::unique_ptr<Menu> createMenu() = 0;

  // A new enabled entry with the plain `title`, `action`, no target and no key equivalent.
  virtual std::unique_ptr<MenuItem> createMenuItem(std::string_view title, MenuAction action) = 0;

  // A new separator entry.
  virtual std::unique_ptr<MenuItem> createSeparatorItem() = 0;
};

}  // namespace nvx::platform
