#include "platform/headless/HeadlessControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatusMenu/StatusMenu.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;

struct ClickedNotification final : platform::NotificationDelegate {
  unsigned willPresentNotification() override { return 0; }
  void didReceiveNotificationResponse(std::function<void()> completion) override {
    seen->push_back("notification clicked");
    completion();
  }
  std::vector<std::string>* seen;
};

TEST(HeadlessControlTest, CarriesOutCommandsAndReportsWhatAUserSeesOneLineEach) {
  platform::HeadlessToolkit ui;
  platform::HeadlessNotificationCenter notes;
  platform::HeadlessHotKeys hotKeys;
  std::vector<std::string> seen;
  platform::HeadlessControl control(ui, notes, hotKeys, [&](std::string_view line) {
    seen.push_back("report " + std::string(line));
  });
  StatusMenu status(
      nullptr, [&](std::string_view id) { seen.push_back("chosen " + std::string(id)); }, ui);
  status.update({"",
                 "",
                 {Item{.id = "a"}, Item{.id = "sub", .children = std::vector{Item{.id = "in"}}},
                  Item{.id = "share"}},
                 "x\ny"});
  hotKeys.installHandler([&] { seen.push_back("hot key"); });
  hotKeys.registerHotKey(37, 0x1800, {});
  ClickedNotification delegate;
  delegate.seen = &seen;
  notes.setDelegate(&delegate);

  status.showMenuForCheck(1);
  for (const char* command :
       {"click in", "click nope", "click ", "hotkey", "notification", "Hotkey", "click share"}) {
    control.command(command);
  }
  notes.add({.identifier = "1", .title = "a\nb", .body = "c\\d\re"});
  EXPECT_EQ(seen, (std::vector<std::string>{"report menu open", "report menu closed", "chosen in",
                                            "hot key", "notification clicked", "report share x\\ny",
                                            "report notification a\\nb|c\\\\d\\re"}));
}

}  // namespace
}  // namespace nvx
