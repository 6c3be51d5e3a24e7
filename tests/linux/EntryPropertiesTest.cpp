// What a menu entry styled by the core shows a dbusmenu host, and what a change sends.
#include "platform/linux/menu/EntryProperties.h"

#include <gtest/gtest.h>

#include "StatusMenu/Style.h"
#include "platform/linux/menu/DesktopMenuItem.h"
#include "platform/linux/menu/MenuTree.h"
#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace platform;

struct StyleRow : Row {
  Item item;
  std::string label;
};

class StyledEntryTest : public testing::TestWithParam<StyleRow> {};

TEST_P(StyledEntryTest, ShowsTheCoreStyledTitleAsLabel) {
  platform::HeadlessToolkit headless;
  platform::MenuTree tree;
  platform::DesktopMenuItem entry(tree, "", platform::MenuAction::Chosen, false);
  style(entry, GetParam().item, 40, headless);
  EXPECT_EQ(entry.properties().label, GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StyledEntryTest,
    testing::Values(
        StyleRow{"Text", entry("a").text("Open"), "Open"},
        StyleRow{"UnderscoresAreNoMnemonics", entry("a").text("a_b__c"), "a__b____c"},
        StyleRow{"IconGapIsDropped", entry("a").text("Ring").icon("bell"), "Ring"},
        StyleRow{"DetailFollowsATab", entry("a").text("Inbox").detail("12 new").bold().ready(),
                 "Inbox\t12 new"},
        StyleRow{"LiteralObjectCharacter", entry("a").text("\xEF\xBF\xBC  x"), "\xEF\xBF\xBC  x"}),
    rowName);

struct ChangeRow : Row {
  EntryProperties before;
  EntryProperties after;
  PropertyChange expected;
};

class PropertyChangeTest : public testing::TestWithParam<ChangeRow> {};

TEST_P(PropertyChangeTest, NamesOnlyWhatHostsMustLearn) {
  EXPECT_EQ(platform::propertyChange(GetParam().before, GetParam().after), GetParam().expected);
}

constexpr PropertyMask kToggle = kPropertyToggleType | kPropertyToggleState;
const EntryProperties kOn{.state = ControlState::On};
INSTANTIATE_TEST_SUITE_P(
    Rows, PropertyChangeTest,
    testing::Values(
        ChangeRow{"NewLabel", {.label = "a"}, {.label = "b"}, {kPropertyLabel, 0}},
        ChangeRow{"LabelEmptied", {.label = "a"}, {}, {kPropertyLabel, 0}},
        ChangeRow{"Checked", {}, kOn, {kToggle, 0}}, ChangeRow{"Unchecked", kOn, {}, {0, kToggle}},
        ChangeRow{"IconSwapped", {.iconName = "a"}, {.iconName = "b"}, {kPropertyIconName, 0}},
        ChangeRow{"Disabled", {}, {.enabled = false}, {kPropertyEnabled, 0}}),
    rowName);

}  // namespace
}  // namespace nvx::test
