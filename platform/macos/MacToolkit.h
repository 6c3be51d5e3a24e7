#pragma once

#include <memory>
#include <string_view>

#include "platform/Toolkit.h"
#include "platform/macos/MacFonts.h"
#include "platform/macos/MacMainLoop.h"
#include "platform/macos/MacSharePicker.h"
#include "platform/macos/MacStatusBar.h"
#include "platform/macos/MacSymbolImages.h"

namespace nvx::platform {

// The status menu's platform on macOS: AppKit's status bar, menus, fonts, SF Symbols and
// sharing picker, and timers on the main run loop. Main thread only.
class MacToolkit final : public Toolkit {
 public:
  MacToolkit() = default;
  MacToolkit(const MacToolkit&) = delete;
  MacToolkit& operator=(const MacToolkit&) = delete;

  StatusBar& statusBar() override { return statusBar_; }
  Fonts& fonts() override { return fonts_; }
  SymbolImages& symbolImages() override { return symbols_; }
  SharePicker* sharePicker() override { return &sharePicker_; }
  MainLoop& mainLoop() override { return mainLoop_; }

  std::unique_ptr<Menu> createMenu() override;
  std::unique_ptr<MenuItem> createMenuItem(std::string_view title, MenuAction action) override;
  std::unique_ptr<MenuItem> createSeparatorItem() override;

 private:
  MacStatusBar statusBar_;
  MacFonts fonts_;
  MacSymbolImages symbols_;
  MacSharePicker sharePicker_;
  MacMainLoop mainLoop_;
};

}  // namespace nvx::platform
