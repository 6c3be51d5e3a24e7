#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HeadlessFonts.h"
#include "HeadlessImage.h"
#include "HeadlessMainLoop.h"
#include "HeadlessMenu.h"
#include "HeadlessSharePicker.h"
#include "HeadlessStatusBar.h"
#include "HeadlessSymbolImages.h"
#include "Platform.h"

namespace nvx::platform {

// What a HeadlessPlatform is made with.
struct HeadlessOptions {
  bool statusItemsHaveButton = true;
  std::vector<std::string> symbolNames = HeadlessSymbolImages::defaultNames();
  HeadlessFontMetrics metrics = {};
};

// The platform kept in memory: used by the tests and by the agent when no desktop session
// is present. It records everything, keeps object identity, and measures text with fixed
// metrics (HeadlessFonts). Its main loop runs only when its owner advances it.
class HeadlessPlatform final : public Platform {
 public:
  explicit HeadlessPlatform(HeadlessOptions options = {});
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  HeadlessStatusBar& statusBar() override { return statusBar_; }
  HeadlessFonts& fonts() override { return fonts_; }
  HeadlessSymbolImages& symbolImages() override { return symbols_; }
  HeadlessSharePicker& sharePicker() override { return sharePicker_; }
  HeadlessMainLoop& mainLoop() override { return mainLoop_; }

  std::unique_ptr<Menu> createMenu() override;
  std::unique_ptr<MenuItem> createMenuItem(std::string_view title, MenuAction action) override;
  std::unique_ptr<MenuItem> createSeparatorItem() override;

 private:
  HeadlessStatusBar statusBar_;
  HeadlessFonts fonts_;
  HeadlessSymbolImages symbols_;
  HeadlessSharePicker sharePicker_;
  HeadlessMainLoop mainLoop_;
  std::uint64_t nextItemId_ = 1;
};

}  // namespace nvx::platform
