#include "StatusMenu/StatusMenu.h"

#include <gtest/gtest.h>

#include "MenuBuilder.h"

namespace nvx::test {
namespace {

using platform::AttributedString;
using platform::FontRole;
using platform::HeadlessMenu;
using platform::HeadlessMenuItem;

// Ids of the entries of `menu` and of their submenus, in pre-order: they change exactly when
// an entry object is replaced.
std::vector<std::uint64_t> entryIds(const HeadlessMenu& menu) {
  std::vector<std::uint64_t> ids;
  for (std::size_t i = 0; i < menu.itemCount(); ++i) {
    ids.push_back(menu.headlessItem(i).id());
    if (auto* sub = menu.headlessItem(i).headlessSubmenu()) {
      for (auto id : entryIds(*sub))
        ids.push_back(id);
    }
  }
  return ids;
}

std::string titleOf(const platform::MenuItem& e) {
  return e.attributedTitle()->string();
}

double tabOf(const platform::MenuItem& e) {
  return e.attributedTitle()->attributesAt(0).paragraphStyle->tabStops.at(0).location;
}

TEST(StatusMenuTest, ConstructionShowsTheIconAloneAndAnEmptyMenu) {
  platform::HeadlessPlatform p;
  auto image = std::make_shared<platform::HeadlessImage>("orvel", platform::Size{32, 32});
  image->setTemplate(true);
  StatusMenu status(image, {}, p);
  const auto& item = *p.statusBar().items().back();
  const auto* button = item.headlessButton();
  EXPECT_EQ(button->image(), image);
  EXPECT_EQ(image->size(), (platform::Size{18, 18}));
  EXPECT_TRUE(image->isTemplate()) << "the template flag stays as loaded";
  EXPECT_EQ(button->imagePosition(), platform::ImagePosition::Leading);
  EXPECT_EQ(button->accessibilityTitle(), "Norvane");
  EXPECT_EQ(button->attributedTitleWrites(), 0u);
  EXPECT_FALSE(item.menu()->autoenablesItems());
  EXPECT_EQ(item.menu()->itemCount(), 0u);
  EXPECT_TRUE(item.isInStatusBar());
}

TEST(StatusMenuTest, WorkedExampleRebuildsThenRefreshesInPlaceThenRebuilds) {
  Harness h;
  h.status->update(
      menuOf({entry("A").text("Alpha").detail("1"), separator(),
              entry("B").text("Beta").children({entry("D").text("Delta").detail("4")})}));
  HeadlessMenu& menu = h.menu();
  ASSERT_EQ(menu.itemCount(), 3u);
  EXPECT_TRUE(menu.headlessItem(1).isSeparator());
  HeadlessMenu* sub = menu.headlessItem(2).headlessSubmenu();
  ASSERT_NE(sub, nullptr);
  EXPECT_FALSE(sub->autoenablesItems());
  EXPECT_EQ(titleOf(sub->item(0)), "Delta\t4");
  EXPECT_EQ(tabOf(menu.item(0)), 35 + 32 + 7);
  EXPECT_EQ(tabOf(sub->item(0)), 0);

  const auto ids = entryIds(menu);
  const auto layout = menu.layoutChanges();
  const auto separatorWrites = menu.headlessItem(1).propertyWrites();
  h.status->update(menuOf({entry("A").text("Alpha 2").detail("10"), separator(),
                           entry("B").text("Beta 2").children({entry("D").text("Delta 2")})}));
  EXPECT_EQ(entryIds(menu), ids) << "a refresh keeps every entry object";
  EXPECT_EQ(menu.layoutChanges(), layout);
  EXPECT_EQ(sub->layoutChanges(), 1u);
  EXPECT_EQ(menu.headlessItem(1).propertyWrites(), separatorWrites);
  EXPECT_EQ(titleOf(menu.item(0)), "Alpha 2\t10");
  EXPECT_EQ(tabOf(menu.item(0)), 49 + 32 + 14);
  EXPECT_EQ(titleOf(sub->item(0)), "Delta 2");

  h.status->update(menuOf(
      {entry("A").text("Alpha"), entry("B").text("Beta").children({entry("D").text("Delta")})}));
  ASSERT_EQ(menu.itemCount(), 2u);
  for (auto id : entryIds(menu)) {
    EXPECT_GT(id, ids.back()) << "a rebuild replaces every entry object";
  }
}

TEST(StatusMenuTest, AnyIdOrSeparatorChangeAnywhereInTheTreeRebuilds) {
  const std::vector<Item> base = {entry("a").children({entry("b"), separator()}), entry("c")};
  const std::vector<std::vector<Item>> changed = {
      {entry("a").children({entry("x"), separator()}), entry("c")},
      {entry("a").children({entry("b")}), entry("c")},
      {entry("a").children({entry("b"), separator(), separator()}), entry("c")},
      {entry("a").children({entry("b"), separator()}), entry("c"), entry("d")},
      {entry("a").children({entry("b"), separator()})},
      {entry("a").children({entry("b"), separator(), entry("c")})},  // same shape, count 1
  };
  for (std::size_t i = 0; i < changed.size(); ++i) {
    Harness h;
    h.status->update(menuOf(base));
    const auto layout = h.menu().layoutChanges();
    h.status->update(menuOf(changed[i]));
    EXPECT_GT(h.menu().layoutChanges(), layout) << "case " << i;
  }
}

TEST(StatusMenuTest, FlippingDisabledIsARefreshThatKeepsTheBuiltEnabledState) {
  Harness h;
  h.status->update(menuOf({entry("a")}));
  const auto id = h.entryAt(0).id();
  h.status->update(menuOf({entry("a").disabled()}));
  EXPECT_EQ(h.entryAt(0).id(), id);
  EXPECT_TRUE(h.entryAt(0).isEnabled());
  h.status->update(menuOf({entry("a").disabled(), entry("b")}));
  EXPECT_FALSE(h.entryAt(0).isEnabled());
  EXPECT_TRUE(h.entryAt(1).isEnabled());
}

TEST(StatusMenuTest, ChildrenAbsentOrEmptyFlipsAreRefreshesThatKeepTheBuiltSubmenu) {
  Harness h;
  h.status->update(menuOf({entry("a")}));
  h.status->update(menuOf({entry("a").children({})}));
  EXPECT_EQ(h.entryAt(0).submenu(), nullptr);
  EXPECT_EQ(h.entryAt(0).action(), platform::MenuAction::Chosen);

  Harness g;
  g.status->update(menuOf({entry("a").children({})}));
  HeadlessMenu* sub = g.entryAt(0).headlessSubmenu();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->itemCount(), 0u);
  EXPECT_EQ(g.entryAt(0).action(), platform::MenuAction::None);
  g.status->update(menuOf({entry("a")}));
  EXPECT_EQ(g.entryAt(0).submenu(), sub);
}

TEST(StatusMenuTest, NestingChangesThatKeepThePreOrderAreRefreshes) {
  Harness h;
  h.status->update(menuOf({entry("A").children({entry("B").text("b1")}), entry("D").text("d1")}));
  const auto ids = entryIds(h.menu());
  h.status->update(menuOf({entry("A"), entry("B").text("b2").children({entry("D")})}));
  EXPECT_EQ(entryIds(h.menu()), ids);
  // A keeps its old submenu, which holds B, restyled with nothing (refresh stops at A's
  // missing children); the second entry is restyled as B and gains no submenu.
  EXPECT_EQ(h.entryAt(0).headlessSubmenu()->item(0).representedObject(), "B");
  EXPECT_EQ(h.entryAt(1).representedObject(), "B");
  EXPECT_EQ(titleOf(h.entryAt(1)), "b2");
  EXPECT_EQ(h.entryAt(1).submenu(), nullptr);

  h.status->update(menuOf({entry("A"), entry("B").children({entry("D")}), entry("E")}));
  EXPECT_EQ(h.entryAt(0).submenu(), nullptr);
  ASSERT_NE(h.entryAt(1).submenu(), nullptr);
  EXPECT_EQ(h.entryAt(1).submenu()->item(0).representedObject(), "D");
}

TEST(StatusMenuTest, AnIdThatLandsOnASeparatorEntryLeavesItASeparator) {
  Harness h;
  h.status->update(menuOf({entry("A"), separator().children({entry("B")})}));
  ASSERT_TRUE(h.entryAt(1).isSeparator());
  h.status->update(menuOf({entry("A").children({separator()}), entry("B").text("b")}));
  EXPECT_TRUE(h.entryAt(1).isSeparator());
  EXPECT_EQ(h.status->describe(), "bar: [orvel]\n(NO ICON) \n---");
}

TEST(StatusMenuTest, AFirstDescriptionWithoutEntriesBuildsNothing) {
  Harness h;
  h.status->update(menuOf({}));
  EXPECT_EQ(h.menu().layoutChanges(), 0u);
  EXPECT_EQ(h.menu().itemCount(), 0u);
}

TEST(StatusMenuTest, ATitleIsShownWithALeadingSpaceAndNotRewrittenWhenEquivalent) {
  Harness h;
  auto* button = h.button();
  h.status->update(menuOf({}, ""));
  EXPECT_EQ(button->attributedTitleWrites(), 0u);
  h.status->update(menuOf({}, "Caf\xC3\xA9"));
  EXPECT_EQ(*button->attributedTitle(),
            AttributedString(" Caf\xC3\xA9", {FontRole::MonospacedDigitSemibold}));
  h.status->update(menuOf({}, "Caf\xC3\xA9"));
  h.status->update(menuOf({}, "Cafe\xCC\x81"));  // canonically equivalent
  EXPECT_EQ(button->attributedTitleWrites(), 1u);
  h.status->update(menuOf({}, ""));
  EXPECT_EQ(button->title(), "");
  EXPECT_EQ(button->attributedTitleWrites(), 2u);
}

TEST(StatusMenuTest, TheTooltipIsSetOnEveryUpdateTheEmptyOneIncluded) {
  Harness h;
  StatusMenuModel model = menuOf({});
  h.status->update(model);
  EXPECT_EQ(h.button()->toolTip(), "tip");
  model.tooltip = "";
  h.status->update(model);
  EXPECT_EQ(h.button()->toolTip(), "");
}

TEST(StatusMenuTest, BlackInstallsAFreshTemplateCopyAndOtherStylesTheSharedImage) {
  Harness h;
  auto* button = h.button();
  StatusMenuModel model = menuOf({});
  model.iconStyle = "black";
  h.status->update(model);
  const auto firstCopy = button->image();
  EXPECT_NE(firstCopy, h.appImage);
  EXPECT_TRUE(firstCopy->isTemplate());
  EXPECT_EQ(firstCopy->size(), (platform::Size{18, 18}));
  EXPECT_FALSE(h.appImage->isTemplate());
  h.status->update(model);
  EXPECT_NE(button->image(), firstCopy) << "every black update installs a new copy";

  for (const char* style : {"Black", "blue"}) {
    model.iconStyle = style;
    h.status->update(model);
    EXPECT_EQ(button->image(), h.appImage) << style;
    EXPECT_FALSE(h.appImage->isTemplate()) << style;
  }
  const auto writes = button->imageWrites();
  model.iconStyle.reset();
  h.status->update(model);
  EXPECT_EQ(button->imageWrites(), writes) << "the same image object is not set again";
}

TEST(StatusMenuTest, BlackWithAnUncopyableImageMakesTheSharedImageATemplate) {
  Harness h;
  h.appImage->setCopyFails(true);
  StatusMenuModel model = menuOf({});
  model.iconStyle = "black";
  h.status->update(model);
  EXPECT_EQ(h.button()->image(), h.appImage);
  EXPECT_TRUE(h.appImage->isTemplate());
}

TEST(StatusMenuTest, WithoutAnImageTheButtonShowsNoneWhateverTheStyle) {
  Harness h({}, false);
  StatusMenuModel model = menuOf({entry("a")});
  model.iconStyle = "black";
  h.status->update(model);
  EXPECT_EQ(h.button()->image(), nullptr);
  EXPECT_EQ(h.button()->imageWrites(), 0u);
}

TEST(StatusMenuTest, WithoutAButtonTheMenuIsStillMaintainedAndShareIsReported) {
  Harness h({.statusItemsHaveButton = false});
  StatusMenuModel model = menuOf({entry("share"), entry("b")}, "3");
  model.shareText = "text";
  h.status->update(model);
  ASSERT_EQ(h.menu().itemCount(), 2u);
  h.status->showMenuForCheck(1);
  EXPECT_EQ(h.platform.clock().pendingCount(), 1u);
  EXPECT_TRUE(h.entryAt(0).click());
  EXPECT_EQ(h.actions, std::vector<std::string>{"share"});
  EXPECT_EQ(h.platform.sharePicker()->count(), 0u);
}

TEST(StatusMenuTest, ChoosingEntriesReportsIdsAndShareOpensThePickerWhenThereIsText) {
  Harness h;
  StatusMenuModel model = menuOf({entry("share"), entry("sub").children({entry("deep")}),
                                  entry("off").disabled(), entry("plain")});
  model.shareText = "Try it";
  h.status->update(model);
  EXPECT_TRUE(h.entryAt(0).click());
  EXPECT_FALSE(h.entryAt(1).click()) << "an entry with a submenu is never reported";
  EXPECT_TRUE(h.entryAt(1).headlessSubmenu()->headlessItem(0).click());
  EXPECT_FALSE(h.entryAt(2).click()) << "a disabled entry cannot be chosen";
  EXPECT_TRUE(h.entryAt(3).click());
  EXPECT_EQ(h.actions, (std::vector<std::string>{"deep", "plain"}));
  ASSERT_EQ(h.platform.sharePicker()->count(), 1u);
  const auto& shown = *h.platform.sharePicker()->last();
  EXPECT_EQ(shown.text, "Try it");
  EXPECT_EQ(shown.view, h.button());
  EXPECT_EQ(shown.rect, h.button()->bounds());
  EXPECT_EQ(shown.edge, platform::RectEdge::MinY);

  model.shareText.reset();
  h.status->update(model);
  h.entryAt(0).click();
  EXPECT_EQ(h.actions.back(), "share");
}

TEST(StatusMenuTest, AnEntryWithoutATextRepresentedObjectReportsNothing) {
  Harness h;
  h.status->update(menuOf({entry("a")}));
  h.entryAt(0).setRepresentedObject(std::nullopt);
  h.entryAt(0).click();
  EXPECT_TRUE(h.actions.empty());
}

TEST(StatusMenuTest, TheCallbackMayApplyANewDescriptionThatRemovesTheChosenEntry) {
  platform::HeadlessPlatform p;
  std::vector<std::string> seen;
  std::unique_ptr<StatusMenu> status;
  status = std::make_unique<StatusMenu>(
      nullptr,
      [&](std::string_view id) {
        seen.emplace_back(id);
        status->update(menuOf({entry("other"), entry("new")}));
      },
      p);
  status->update(menuOf({entry("a")}));
  HeadlessMenu& menu = *p.statusBar().items().back()->menu();
  EXPECT_TRUE(menu.headlessItem(0).click());
  EXPECT_EQ(seen, std::vector<std::string>{"a"});
  EXPECT_EQ(menu.itemCount(), 2u);
}

TEST(StatusMenuTest, StopTakesTheItemOffTheBarAndTheObjectStaysUsable) {
  Harness h;
  h.status->stop();
  EXPECT_FALSE(h.item().isInStatusBar());
  h.status->update(menuOf({entry("a")}));
  EXPECT_EQ(h.menu().itemCount(), 1u);
}

TEST(StatusMenuTest, AMenuNestedToTheDecodersDepthLimitBuildsAndRefreshes) {
  constexpr int kDepth = 510;
  auto nested = [](const char* text) {
    Item item = entry("leaf").text(text);
    for (int i = 0; i < kDepth; ++i)
      item = entry("n" + std::to_string(i)).children({item});
    return item;
  };
  Harness h;
  h.status->update(menuOf({nested("old")}));
  h.status->update(menuOf({nested("new")}));
  const platform::MenuItem* e = &h.menu().item(0);
  int depth = 0;
  while (e->submenu()) {
    e = &e->submenu()->item(0);
    ++depth;
  }
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(titleOf(*e), "new");
}

}  // namespace
}  // namespace nvx::test
