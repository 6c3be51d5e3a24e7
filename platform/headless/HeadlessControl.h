#pragma once

#include <functional>
#include <string_view>

#include "HeadlessHotKeys.h"
#include "HeadlessNotificationCenter.h"
#include "HeadlessObserver.h"
#include "HeadlessToolkit.h"

namespace nvx::platform {

// Lets a program play the user of the agent without a desktop: it sends commands (click an
// entry by id, press the hot key, click a notification) and reads what a person would see
// (the menu opening and closing, notifications, shares), one line each. Main thread only.
class HeadlessControl final : public HeadlessObserver {
 public:
  using Send = std::function<void(std::string_view line)>;

  // The commands read and the reports written.
  static constexpr std::string_view kClick = "click ";  // followed by an entry's id
  static constexpr std::string_view kHotKey = "hotkey";
  static constexpr std::string_view kNotification = "notification";
  static constexpr std::string_view kMenuOpen = "menu open";
  static constexpr std::string_view kMenuClosed = "menu closed";
  static constexpr std::string_view kNotificationPosted = "notification ";  // title|body
  static constexpr std::string_view kShare = "share ";                      // the shared text

  // Reports go to `send`; the objects must outlive this one.
  HeadlessControl(HeadlessToolkit& ui, HeadlessNotificationCenter& notes, HeadlessHotKeys& hotKeys,
                  Send send);
  ~HeadlessControl();
  HeadlessControl(const HeadlessControl&) = delete;
  HeadlessControl& operator=(const HeadlessControl&) = delete;

  // Carries out one command line; unknown commands and ids are ignored.
  void command(std::string_view line);

  void menuOpened() override;
  void menuClosed() override;
  void shareShown(std::string_view text) override;
  void notificationPosted(const NotificationRequest& request) override;

 private:
  HeadlessToolkit& ui_;
  HeadlessNotificationCenter& notes_;
  HeadlessHotKeys& hotKeys_;
  Send send_;
};

}  // namespace nvx::platform
