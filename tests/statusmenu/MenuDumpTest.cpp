#include "StatusMenu/MenuDump.h"

#include <gtest/gtest.h>

#include "MenuBuilder.h"

namespace nvx::test {
namespace {

const std::string kFFFC(platform::AttributedString::kAttachmentCharacter);

struct Case {
  const char* name;
  std::vector<Item> items;
  std::string title;
  std::string expected;
};

TEST(MenuDumpTest, DescribeRendersTheLiveStatusItemAndTopLevelEntries) {
  const std::vector<Case> cases = {
      {"the worked example",
       {entry("a").icon("star").text("abc").detail("xy").checked(), separator(),
        entry("b").text("Open")},
       "",
       "bar: [orvel]\n(icon) [x] " + kFFFC + "  abc  |  xy\n---\n(NO ICON) Open"},
      {"a title follows the bracket with its own leading space", {}, "12", "bar: [orvel] 12"},
      {"an unknown icon gives no icon mark",
       {entry("a").icon("nope").text("t")},
       "",
       "bar: [orvel]\n(NO ICON) t"},
      {"an empty title, with no first character, gives no icon mark",
       {entry("a")},
       "",
       "bar: [orvel]\n(NO ICON) "},
      {"a submenu shows as one line",
       {entry("a").text("More").children({entry("b").text("hidden")})},
       "",
       "bar: [orvel]\n(NO ICON) More"},
      {"a separator with text and children is only a separator",
       {separator().text("x").children({entry("c")})},
       "",
       "bar: [orvel]\n---"},
  };
  for (const Case& c : cases) {
    Harness h;
    h.status->update(menuOf(c.items, c.title));
    EXPECT_EQ(h.status->describe(), c.expected) << c.name;
  }
}

TEST(MenuDumpTest, WithoutImageOrButtonTheHeaderSaysNoImage) {
  Harness noImage({}, false);
  noImage.status->update(menuOf({entry("a").text("t")}, "5"));
  EXPECT_EQ(noImage.status->describe(), "bar: [no image] 5\n(NO ICON) t");

  Harness noButton({.statusItemsHaveButton = false});
  noButton.status->update(menuOf({entry("a").text("t")}, "5"));
  EXPECT_EQ(noButton.status->describe(), "bar: [no image]\n(NO ICON) t");
}

TEST(MenuDumpTest, EveryTabIsShownOnlyTheOnStateIsCheckedAndAPlainTitleIsUsedWhenNoStyle) {
  platform::HeadlessPlatform p;
  auto item = p.statusBar().createStatusItem();
  auto menu = p.createMenu();
  auto tabs = p.createMenuItem("", platform::MenuAction::Chosen);
  tabs->setAttributedTitle(platform::AttributedString("a\tb\tc"));
  tabs->setState(platform::ControlState::Mixed);
  menu->addItem(std::move(tabs));
  auto plain = p.createMenuItem("Plain\ttitle", platform::MenuAction::Chosen);
  plain->setState(platform::ControlState::On);
  menu->addItem(std::move(plain));
  EXPECT_EQ(describeStatus(*item, *menu),
            "bar: [no image]\n(NO ICON) a  |  b  |  c\n(NO ICON) [x] Plain\ttitle");
}

TEST(MenuDumpTest, ShowMenuForCheckSchedulesTheCloseBeforeTheClickAndClosesOnTime) {
  Harness h;
  auto& loop = h.platform.clock();
  std::optional<std::size_t> pendingAtOpen;
  h.menu().setWillOpen([&] { pendingAtOpen = loop.pendingCount(); });
  h.status->showMenuForCheck(4);
  EXPECT_EQ(pendingAtOpen, 1u);
  EXPECT_EQ(h.button()->clicks(), 1u);
  EXPECT_TRUE(h.menu().isOpen());
  loop.advance(3.9);
  EXPECT_TRUE(h.menu().isOpen());
  loop.advance(0.2);
  EXPECT_FALSE(h.menu().isOpen());
}

TEST(MenuDumpTest, TheCloseTimerDoesNothingOnceTheStatusMenuIsReleased) {
  Harness h;
  h.status->showMenuForCheck(4);
  h.status.reset();
  EXPECT_TRUE(h.platform.statusBar().items().empty());
  EXPECT_EQ(h.platform.clock().advance(5), 1u);
}

TEST(MenuDumpTest, AMenuClosedByTheUserIsNotAffectedByTheLateClose) {
  Harness h;
  h.status->update(menuOf({entry("a")}));
  h.status->showMenuForCheck(4);
  EXPECT_TRUE(h.entryAt(0).click());
  EXPECT_FALSE(h.menu().isOpen());
  h.platform.clock().advance(4);
  EXPECT_FALSE(h.menu().isOpen());
  EXPECT_EQ(h.actions, std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace nvx::test
