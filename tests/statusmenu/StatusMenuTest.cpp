#include "StatusMenu/StatusMenu.h"

#include <gtest/gtest.h>

#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using platform::AttributedString;
using platform::HeadlessMenu;
using Ids = std::vector<std::uint64_t>;

// Ids of the entries of `menu` and of their submenus, in pre-order: they change exactly when
// an entry object is replaced.
Ids entryIds(const HeadlessMenu& menu, Ids ids = {}) {
  for (std::size_t i = 0; i < menu.itemCount(); ++i) {
    ids.push_back(menu.headlessItem(i).id());
    if (auto* sub = menu.headlessItem(i).headlessSubmenu()) ids = entryIds(*sub, std::move(ids));
  }
  return ids;
}

std::string titleOf(const platform::MenuItem& e) {
  return e.attributedTitle()->string();
}

// The entries as text: each id (or "-"), "!" when disabled, ":" when choosing it does nothing,
// then its submenu in braces; "---" for a separator.
std::string render(const HeadlessMenu& menu) {
  std::string out;
  for (std::size_t i = 0; i < menu.itemCount(); ++i) {
    const platform::HeadlessMenuItem& e = menu.headlessItem(i);
    out += i ? " " : "";
    if (e.isSeparator()) {
      out += "---";
      continue;
    }
    out += e.representedObject().value_or("-") + (e.isEnabled() ? "" : "!");
    out += e.action() == platform::MenuAction::None ? ":" : "";
    if (e.headlessSubmenu()) out += "{" + render(*e.headlessSubmenu()) + "}";
  }
  return out;
}

// The tab stop of a styled title: its paragraph style is the last of its runs.
double tabOf(const platform::MenuItem& e) {
  const auto& runs = e.attributedTitle()->runs();
  return std::get<platform::ParagraphStyle>(runs.back().value).tabStops.at(0).location;
}

TEST(StatusMenuTest, SameIdsRefreshEntriesInPlaceAndASeparatorLessRebuildsThem) {
  Harness h;
  h.update({entry("A").text("Alpha").detail("1"), separator(),
            entry("B").text("Beta").children({entry("D").text("Delta").detail("4")})});
  auto& menu = h.menu();
  ASSERT_EQ(render(menu), "A --- B:{D}");
  auto* sub = static_cast<platform::RecordingMenu*>(menu.headlessItem(2).headlessSubmenu());
  EXPECT_FALSE(menu.autoenablesItems() || sub->autoenablesItems());
  EXPECT_EQ(titleOf(sub->item(0)), "Delta\t4");
  EXPECT_EQ(tabOf(menu.item(0)), 35 + 32 + 7);
  EXPECT_EQ(tabOf(sub->item(0)), 0);

  const Ids ids = entryIds(menu);
  h.update({entry("A").text("Alpha 2").detail("10"), separator(),
            entry("B").text("Beta 2").children({entry("D").text("Delta 2")})});
  EXPECT_EQ(entryIds(menu), ids) << "a refresh keeps every entry object";
  EXPECT_EQ(menu.layoutChanges, 4u);
  EXPECT_EQ(sub->layoutChanges, 1u);
  EXPECT_FALSE(menu.headlessItem(1).attributedTitle()) << "a refresh leaves separators alone";
  EXPECT_EQ(titleOf(menu.item(0)), "Alpha 2\t10");
  EXPECT_EQ(tabOf(menu.item(0)), 49 + 32 + 14);
  EXPECT_EQ(titleOf(sub->item(0)), "Delta 2");

  h.update({entry("A").text("Alpha"), entry("B").children({entry("D")})});
  EXPECT_EQ(render(menu), "A B:{D}");
  for (auto id : entryIds(menu))
    EXPECT_GT(id, ids.back()) << "a rebuild replaces every entry object";
}

// Refreshes restyle the entries they find, enabled state included, and build nothing: an
// entry keeps its submenu (or none) as built, and a separator stays a separator. Which lists
// have the same shape is ShapeTest's; a change below the top, or ids in the same order at
// another depth, rebuilds all the same.
TEST(StatusMenuTest, ARefreshAppliesDisabledAndKeepsWhatWasBuiltAndAnotherShapeRebuilds) {
  struct Refresh : Row {
    std::vector<Item> first, second;
    std::string shown;
    bool rebuilds = false;
  };
  const Refresh cases[] = {
      {"Disables",
       {entry("a"), entry("s").children({entry("b")})},
       {entry("a").disabled(), entry("s").children({entry("b").disabled()})},
       "a! s:{b!}"},
      {"Enables",
       {entry("a").disabled(), entry("s").children({entry("b").disabled()})},
       {entry("a"), entry("s").children({entry("b")})},
       "a s:{b}"},
      {"AddsNoSubmenu", {entry("a")}, {entry("a").children({})}, "a"},
      {"KeepsEmptySubmenu", {entry("a").children({})}, {entry("a")}, "a:{}"},
      {"KeepsSubmenus",
       {entry("A").children({entry("B")}), entry("D")},
       {entry("A"), entry("B").children({entry("D")})},
       "A:{B} B"},
      {"KeepsSeparator",
       {entry("A"), separator().children({entry("B")})},
       {entry("A").children({separator()}), entry("B")},
       "A ---"},
      {"ChildIdRebuilds",
       {entry("a").children({entry("b"), separator()}), entry("c")},
       {entry("a").children({entry("x"), separator()}), entry("c")},
       "a:{x ---} c",
       true},
      {"DepthRebuilds",
       {entry("a").children({entry("b"), separator()}), entry("c")},
       {entry("a").children({entry("b"), separator(), entry("c")})},
       "a:{b --- c}",
       true},
  };
  for (const Refresh& row : cases) {
    SCOPED_TRACE(row.name);
    Harness h;
    h.update(row.first);
    const Ids ids = entryIds(h.menu());
    h.update(row.second);
    EXPECT_EQ(entryIds(h.menu()) != ids, row.rebuilds) << row.shown;
    EXPECT_EQ(render(h.menu()), row.shown);
  }
}

TEST(StatusMenuTest, ShowsTheTitleWithALeadingSpaceUnlessEquivalentAndEveryTooltip) {
  Harness h;
  auto* button = h.button();
  // From the start: the icon at its size, with the title to come after it.
  EXPECT_EQ(button->image(), h.appImage);
  EXPECT_EQ(h.appImage->size(), (platform::Size{18, 18}));
  EXPECT_EQ(button->imagePosition(), platform::ImagePosition::Leading);
  h.update({}, "");
  EXPECT_EQ(h.menu().layoutChanges, 0u) << "a first description without entries builds nothing";
  EXPECT_EQ(button->attributedTitleWrites, 0u);
  EXPECT_EQ(button->toolTip(), "tip");
  for (const char* title : {"Caf\xC3\xA9", "Caf\xC3\xA9", "Cafe\xCC\x81"})
    h.update({}, title);
  EXPECT_EQ(*button->attributedTitle(),
            AttributedString(" Caf\xC3\xA9", {platform::FontRole::MonospacedDigitSemibold}));
  EXPECT_EQ(button->attributedTitleWrites, 1u);
  h.status->update({});  // no title, no tooltip
  EXPECT_EQ(button->title(), "");
  EXPECT_EQ(button->attributedTitleWrites, 2u);
  EXPECT_EQ(button->toolTip(), "");
}

TEST(StatusMenuTest, BlackInstallsAFreshTemplateCopyElseMakesTheSharedImageOneOtherStylesDoNot) {
  Harness h;
  auto* button = h.button();
  const StatusMenuModel black{.iconStyle = "black"};
  h.status->update(black);
  const auto firstCopy = button->image();
  EXPECT_NE(firstCopy, h.appImage);
  EXPECT_TRUE(firstCopy->isTemplate());
  EXPECT_EQ(firstCopy->size(), (platform::Size{18, 18}));
  EXPECT_FALSE(h.appImage->isTemplate());
  h.status->update(black);
  EXPECT_NE(button->image(), firstCopy) << "every black update installs a new copy";

  for (const char* style : {"Black", "blue"}) {
    h.status->update({.iconStyle = style});
    EXPECT_EQ(button->image(), h.appImage) << style;
    EXPECT_FALSE(h.appImage->isTemplate()) << style;
  }
  const auto writes = button->imageWrites;
  h.status->update({});
  EXPECT_EQ(button->imageWrites, writes) << "the same image object is not set again";

  // Without a copy the shared image becomes the template; without an image none shows.
  h.appImage->copyFails = true;
  h.status->update(black);
  EXPECT_EQ(button->image(), h.appImage);
  EXPECT_TRUE(h.appImage->isTemplate());
  Harness noImage({}, false);
  noImage.status->update(black);
  EXPECT_EQ(noImage.button()->image(), nullptr);
  EXPECT_EQ(noImage.button()->imageWrites, 0u);
}

TEST(StatusMenuTest, ChoosingEntriesReportsIdsAndShareOpensThePickerWhenThereIsText) {
  Harness h;
  const std::vector<Item> items{entry("share"), entry("sub").children({entry("deep")}),
                                entry("off").disabled(), entry("plain")};
  h.status->update({.items = items, .shareText = "Try it"});
  EXPECT_TRUE(h.entryAt(0).click());
  EXPECT_FALSE(h.entryAt(1).click()) << "an entry with a submenu is never reported";
  EXPECT_TRUE(h.entryAt(1).headlessSubmenu()->headlessItem(0).click());
  EXPECT_FALSE(h.entryAt(2).click()) << "a disabled entry cannot be chosen";
  EXPECT_TRUE(h.entryAt(3).click());
  EXPECT_EQ(h.actions, (std::vector<std::string>{"deep", "plain"}));
  ASSERT_EQ(h.platform.sharePicker()->count(), 1u);
  const auto& shown = *h.platform.sharePicker()->last();
  EXPECT_EQ(std::tie(shown.text, shown.view, shown.rect),
            std::tuple("Try it", h.button(), h.button()->bounds()));

  h.update(items);
  h.entryAt(0).click();
  EXPECT_EQ(h.actions.back(), "share");
  h.entryAt(0).setRepresentedObject(std::nullopt);  // reports nothing
  h.entryAt(0).click();
  EXPECT_EQ(h.actions.size(), 3u);
}

TEST(StatusMenuTest, WithoutAButtonTheMenuIsStillMaintainedAndShareIsReported) {
  Harness h({.statusItemsHaveButton = false});
  h.status->update({.title = "3", .items = {entry("share"), entry("b")}, .shareText = "text"});
  ASSERT_EQ(h.menu().itemCount(), 2u);
  h.status->showMenuForCheck(1);
  EXPECT_EQ(h.platform.clock().pendingCount(), 1u);
  EXPECT_TRUE(h.entryAt(0).click());
  EXPECT_EQ(h.actions, std::vector<std::string>{"share"});
  EXPECT_EQ(h.platform.sharePicker()->count(), 0u);
}

// The close is set before the click that opens the menu (which may track it modally); it
// leaves a menu the user closed, or a status menu that is gone, alone.
TEST(StatusMenuTest, ShowMenuForCheckOpensTheMenuUntilItsCloseIsDue) {
  Harness h;
  h.update({entry("a")});
  std::optional<std::size_t> pendingAtOpen;
  h.menu().setWillOpen([&] { pendingAtOpen = h.platform.clock().pendingCount(); });
  h.status->showMenuForCheck(4);
  EXPECT_EQ(pendingAtOpen, 1u);
  EXPECT_EQ(h.button()->clicks, 1u);
  EXPECT_TRUE(h.menu().isOpen());
  h.platform.clock().advance(4);
  EXPECT_FALSE(h.menu().isOpen());

  h.status->showMenuForCheck(4);
  EXPECT_TRUE(h.entryAt(0).click());
  h.platform.clock().advance(4);
  EXPECT_FALSE(h.menu().isOpen());
  EXPECT_EQ(h.actions, std::vector<std::string>{"a"});

  h.status->showMenuForCheck(4);
  h.status.reset();
  EXPECT_TRUE(h.platform.statusBar().items().empty());
  EXPECT_EQ(h.platform.clock().advance(5), 1u);
}

TEST(StatusMenuTest, TheCallbackMayApplyANewDescriptionThatRemovesTheChosenEntry) {
  Harness h;
  h.onChosen = [&](std::string_view) { h.update({entry("other"), entry("new")}); };
  h.update({entry("a")});
  EXPECT_TRUE(h.entryAt(0).click());
  EXPECT_EQ(h.actions, std::vector<std::string>{"a"});
  EXPECT_EQ(h.menu().itemCount(), 2u);
}

TEST(StatusMenuTest, StopTakesTheItemOffTheBarAndTheObjectStaysUsable) {
  Harness h;
  h.status->stop();
  EXPECT_FALSE(h.item().isInStatusBar());
  h.update({entry("a")});
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
  h.update({nested("old")});
  h.update({nested("new")});
  const platform::MenuItem* e = &h.menu().item(0);
  int depth = 0;
  for (; e->submenu(); ++depth)
    e = &e->submenu()->item(0);
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(titleOf(*e), "new");
}

}  // namespace
}  // namespace nvx::test
