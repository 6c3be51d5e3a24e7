#include "StatusMenu/MenuDump.h"

#include <gtest/gtest.h>

#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

const std::string kFFFC(platform::AttributedString::kAttachmentCharacter);

TEST(MenuDumpTest, DescribeRendersTheLiveStatusItemAndTopLevelEntries) {
  struct Case : Row {
    std::vector<Item> items;
    std::string title;
    std::string expected;
    platform::HeadlessOptions options = {};
    bool image = true;
  };
  const Case cases[] = {
      {"IconCheckDetailSeparatorPlain",
       {entry("a").icon("star").text("abc").detail("xy").checked(), separator(),
        entry("b").text("Open")},
       "",
       "bar: [orvel]\n(icon) [x] " + kFFFC + "  abc  |  xy\n---\n(NO ICON) Open"},
      {"TitleAfterBracketWithSpace", {}, "12", "bar: [orvel] 12"},
      {"EveryTabShows",
       {entry("a").text("a\tb").detail("c")},
       "",
       "bar: [orvel]\n(NO ICON) a  |  b  |  c"},
      {"UnknownIconNoMark", {entry("a").icon("nope").text("t")}, "", "bar: [orvel]\n(NO ICON) t"},
      {"EmptyTitleNoMark", {entry("a")}, "", "bar: [orvel]\n(NO ICON) "},
      {"SubmenuOneLine",
       {entry("a").text("More").children({entry("b")})},
       "",
       "bar: [orvel]\n(NO ICON) More"},
      {"SeparatorOnly", {separator().text("x").children({entry("c")})}, "", "bar: [orvel]\n---"},
      {"NoImage", {entry("a").text("t")}, "5", "bar: [no image] 5\n(NO ICON) t", {}, false},
      {"NoButton",
       {entry("a").text("t")},
       "5",
       "bar: [no image]\n(NO ICON) t",
       {.statusItemsHaveButton = false}},
  };
  for (const Case& c : cases) {
    Harness h(c.options, c.image);
    h.update(c.items, c.title);
    EXPECT_EQ(h.status->describe(), c.expected) << c.name;
  }
}

TEST(MenuDumpTest, ShowMenuForCheckSetsTheCloseBeforeTheClickThatOpensTheMenu) {
  Harness h;
  std::optional<std::size_t> pendingAtOpen;
  h.menu().setWillOpen([&] { pendingAtOpen = h.platform.clock().pendingCount(); });
  h.status->showMenuForCheck(4);
  EXPECT_EQ(pendingAtOpen, 1u);
  EXPECT_EQ(h.button()->clicks, 1u);
  EXPECT_TRUE(h.menu().isOpen());
  h.platform.clock().advance(4);
  EXPECT_FALSE(h.menu().isOpen());
}

TEST(MenuDumpTest, TheCloseDoesNothingOnceTheUserClosedTheMenuOrTheStatusMenuIsGone) {
  Harness h;
  h.update({entry("a")});
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

}  // namespace
}  // namespace nvx::test
