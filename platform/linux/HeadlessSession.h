#pragma once

#include <glib.h>

#include <memory>
#include <string>
#include <string_view>

#include "GlibApplication.h"
#include "HeadlessHotKeys.h"
#include "HeadlessNotificationCenter.h"
#include "HeadlessPlatform.h"

namespace nvx::platform {

// The agent's platform on Linux without a desktop session: the status item, its menu, the
// notifications and the hot key live in memory, with GLib's loop running the timers.
//
// A program driving the agent in place of a user (the end-to-end tests) may hand it a socket
// as `controlFd`. The session then reads commands from it, one per line:
//   click <id>     a click on the first entry (pre-order) whose represented id is <id>
//   hotkey         a press of the hot key
//   notification   a click on a posted notification
// and writes what a user would see, one line each: "menu open", "menu closed",
// "notification <title>|<body>", "share <text>".
class HeadlessSession final : public Platform {
 public:
  HeadlessSession(GlibApplication& application, int controlFd);
  ~HeadlessSession() override;
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  StatusBar& statusBar() override { return ui_.statusBar(); }
  Fonts& fonts() override { return ui_.fonts(); }
  SymbolImages& symbolImages() override { return ui_.symbolImages(); }
  SharePicker& sharePicker() override;
  MainLoop& mainLoop() override { return application_; }
  std::unique_ptr<Menu> createMenu() override;
  std::unique_ptr<MenuItem> createMenuItem(std::string_view title, MenuAction action) override;
  std::unique_ptr<MenuItem> createSeparatorItem() override;

  NotificationCenter& notifications();
  HotKeys& hotKeys() { return hotKeys_; }

 private:
  class Notifications;
  class Shares;

  static gboolean onControl(gint fd, GIOCondition condition, gpointer self);
  void command(std::string_view line);
  void report(std::string_view line);
  void watchMenu(Menu& menu);

  GlibApplication& application_;
  HeadlessPlatform ui_;
  HeadlessHotKeys hotKeys_;
  std::unique_ptr<Notifications> notifications_;
  std::unique_ptr<Shares> shares_;
  int controlFd_;
  guint controlWatch_ = 0;
  std::string pending_;  // control bytes not yet making a whole line
};

}  // namespace nvx::platform
