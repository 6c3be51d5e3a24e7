#pragma once

#include <functional>
#include <string_view>

#include "platform/headless/HeadlessHotKeys.h"
#include "platform/headless/HeadlessNotificationCenter.h"
#include "platform/headless/HeadlessObserver.h"
#include "platform/headless/HeadlessToolkit.h"

namespace nvx {

// Lets a program play the user of the agent without a desktop: it sends commands (click an
// entry by id, press the hot key, click a notification) and reads what a person would see
// (the menu opening and closing, notifications, shares), one line each. Main thread only.
class HeadlessControl final : public platform::HeadlessObserver {
 public:
  using Send = std::function<void(std::string_view line)>;

  // Reports go to `send`; the objects must outlive this one.
  HeadlessControl(platform::HeadlessToolkit& ui, platform::HeadlessNotificationCenter& notes,
                  platform::HeadlessHotKeys& hotKeys, Send send);
  ~HeadlessControl();
  HeadlessControl(const HeadlessControl&) = delete;
  HeadlessControl& operator=(const HeadlessControl&) = delete;

  // Carries out one command line; unknown commands and ids are ignored.
  void command(std::string_view line);

  void menuOpened() override;
  void menuClosed() override;
  void shareShown(std::string_view text) override;
  void notificationPosted(const platform::NotificationRequest& request) override;

 private:
  platform::HeadlessToolkit& ui_;
  platform::HeadlessNotificationCenter& notes_;
  platform::HeadlessHotKeys& hotKeys_;
  Send send_;
};

}  // namespace nvx
