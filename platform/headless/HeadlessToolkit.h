#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HeadlessImage.h"
#include "HeadlessMainLoop.h"
#include "HeadlessMenu.h"
#include "HeadlessSharePicker.h"
#include "HeadlessStatusBar.h"
#include "HeadlessSymbolImages.h"
#include "platform/FixedAdvanceFonts.h"
#include "platform/Toolkit.h"

namespace nvx::platform {

// What a HeadlessToolkit is made with.
struct HeadlessOptions {
  bool statusItemsHaveButton = true;
  std::vector<std::string> symbolNames = HeadlessSymbolImages::defaultNames();
  FixedAdvanceMetrics metrics = {};
  // Runs the timers when given (the agent's real loop); otherwise the virtual clock does.
  MainLoop* mainLoop = nullptr;
};

// The platform kept in memory: used by the tests and by the agent when no desktop session
// is present. It keeps what is on screen, keeps object identity, and measures text with fixed
// metrics (FixedAdvanceFonts). Without a main loop of its owner's, timers run on a virtual clock
// that only moves when advanced. Not final: tests make objects that count their writes.
class HeadlessToolkit : public Toolkit {
 public:
  explicit HeadlessToolkit(HeadlessOptions options = {});
  HeadlessToolkit(const HeadlessToolkit&) = delete;
  HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

  HeadlessStatusBar& statusBar() override { return statusBar_; }
  FixedAdvanceFonts& fonts() override { return fonts_; }
  HeadlessSymbolImages& symbolImages() override { return symbols_; }
  HeadlessSharePicker* sharePicker() override { return &sharePicker_; }
  MainLoop& mainLoop() override { return externalLoop_ ? *externalLoop_ : clock_; }

  // The virtual clock, which runs the timers when no main loop was given.
  HeadlessMainLoop& clock() { return clock_; }

  // Menus opening and closing and shares shown are reported to `observer` (may be null).
  void setObserver(HeadlessObserver* observer);

  std::unique_ptr<Menu> createMenu() override;
  std::unique_ptr<MenuItem> createMenuItem(std::string_view title, MenuAction action) override;
  std::unique_ptr<MenuItem> createSeparatorItem() override;

 private:
  HeadlessStatusBar statusBar_;
  FixedAdvanceFonts fonts_;
  HeadlessSymbolImages symbols_;
  HeadlessSharePicker sharePicker_;
  HeadlessMainLoop clock_;
  MainLoop* externalLoop_;
  HeadlessObserver* observer_ = nullptr;
  std::uint64_t nextItemId_ = 1;
};

}  // namespace nvx::platform
