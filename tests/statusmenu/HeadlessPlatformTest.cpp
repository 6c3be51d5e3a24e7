#include "platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace nvx::platform {
namespace {

TEST(HeadlessMainLoopTest, RunsDueActionsByDueTimeThenSchedulingOrderIncludingNewlyDueOnes) {
  HeadlessMainLoop loop;
  std::string order;
  loop.scheduleOnce(2, [&] { order += "b"; });
  loop.scheduleOnce(1, [&] {
    order += "a";
    loop.scheduleOnce(0.5, [&] { order += "c"; });  // due at 1.5
  });
  loop.scheduleOnce(2, [&] { order += "d"; });
  loop.scheduleOnce(-1, [&] { order += "0"; });
  loop.scheduleOnce(std::nan(""), [&] { order += "0"; });
  loop.scheduleOnce(9, [&] { order += "late"; });
  EXPECT_EQ(loop.nextDue(), 0);
  EXPECT_EQ(loop.advance(2), 6u);
  EXPECT_EQ(order, "00acbd");
  EXPECT_EQ(loop.now(), 2);
  EXPECT_EQ(loop.pendingCount(), 1u);
  EXPECT_EQ(loop.nextDue(), 9);
}

struct Target final : ActionTarget {
  void chosen(MenuItem& sender) override { chosenIds.push_back(*sender.representedObject()); }
  std::vector<std::string> chosenIds;
};

TEST(HeadlessMenuItemTest, OnlyAnEnabledEntryWithTheChosenActionTargetAndNoSubmenuIsChosen) {
  HeadlessPlatform p;
  Target target;
  auto root = p.createMenu();
  auto add = [&](bool enabled, MenuAction action, bool withTarget, bool withSubmenu) {
    auto e = p.createMenuItem("", action);
    e->setRepresentedObject(std::to_string(root->itemCount()));
    e->setEnabled(enabled);
    if (withTarget) e->setTarget(&target);
    if (withSubmenu) e->setSubmenu(p.createMenu());
    root->addItem(std::move(e));
  };
  add(true, MenuAction::Chosen, true, false);   // 0: chosen
  add(false, MenuAction::Chosen, true, false);  // 1: disabled
  add(true, MenuAction::None, true, false);     // 2: no action
  add(true, MenuAction::Chosen, false, false);  // 3: no target
  add(true, MenuAction::Chosen, true, true);    // 4: opens a submenu
  root->addItem(p.createSeparatorItem());       // 5
  auto& menu = dynamic_cast<HeadlessMenu&>(*root);
  std::vector<bool> delivered;
  for (std::size_t i = 0; i < menu.itemCount(); ++i) {
    menu.open();
    delivered.push_back(menu.headlessItem(i).click());
  }
  EXPECT_EQ(delivered, (std::vector<bool>{true, false, false, false, false, false}));
  EXPECT_EQ(target.chosenIds, std::vector<std::string>{"0"});
}

TEST(HeadlessMenuItemTest, ChoosingInASubmenuClosesTheWholeMenu) {
  HeadlessPlatform p;
  Target target;
  auto root = p.createMenu();
  auto parent = p.createMenuItem("", MenuAction::None);
  auto sub = p.createMenu();
  auto leaf = p.createMenuItem("", MenuAction::Chosen);
  leaf->setTarget(&target);
  leaf->setRepresentedObject("leaf");
  sub->addItem(std::move(leaf));
  parent->setSubmenu(std::move(sub));
  root->addItem(std::move(parent));
  auto& menu = dynamic_cast<HeadlessMenu&>(*root);
  menu.open();
  EXPECT_TRUE(menu.headlessItem(0).headlessSubmenu()->headlessItem(0).click());
  EXPECT_FALSE(menu.isOpen());
  EXPECT_EQ(target.chosenIds, std::vector<std::string>{"leaf"});
}

}  // namespace
}  // namespace nvx::platform
