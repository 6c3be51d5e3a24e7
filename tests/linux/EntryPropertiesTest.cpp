// What a menu entry styled by the core shows a dbusmenu host, and what a change sends.
#include "platform/linux/menu/EntryProperties.h"

#include <gtest/gtest.h>

#include "StatusMenu/Style.h"
#include "platform/linux/dbus/GPtr.h"
#include "platform/linux/menu/DesktopMenuItem.h"
#include "platform/linux/menu/MenuTree.h"
#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using platform::ControlState;
using platform::EntryProperties;
using platform::PropertyChange;

// The a{sv} hosts get for `properties`, as GLib prints it.
std::string shown(const EntryProperties& properties) {
  const GVariantPtr v(
      g_variant_ref_sink(platform::propertiesVariant(properties, platform::kAllProperties)));
  const GCharPtr text(g_variant_print(v.get(), FALSE));
  return text.get();
}

struct StyleRow : Row {
  Item item;
  std::string expected;
};

class StyledEntryTest : public testing::TestWithParam<StyleRow> {};

TEST_P(StyledEntryTest, ShowsTheCoreStyledTitleAsLabelAndIcon) {
  platform::HeadlessToolkit headless;
  platform::MenuTree tree;
  platform::DesktopMenuItem entry(tree, "", platform::MenuAction::Chosen, false);
  style(entry, GetParam().item, 40, headless);
  EXPECT_EQ(shown(entry.properties()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StyledEntryTest,
    testing::Values(StyleRow{"OnlyAnId", entry("a"), "{'label': <''>}"},
                    StyleRow{"Text", entry("a").text("Open"), "{'label': <'Open'>}"},
                    StyleRow{"UnderscoresAreNoMnemonics", entry("a").text("a_b__c"),
                             "{'label': <'a__b____c'>}"},
                    StyleRow{"IconGapIsDropped", entry("a").text("Ring").icon("bell"),
                             "{'label': <'Ring'>, 'icon-name': <'bell'>}"},
                    StyleRow{"DetailFollowsATab",
                             entry("a").text("Inbox").detail("12 new").bold().ready(),
                             "{'label': <'Inbox\\t12 new'>}"},
                    StyleRow{"CheckedGivesACheckmark", entry("a").text("A").checked(),
                             "{'label': <'A'>, 'toggle-type': <'checkmark'>, 'toggle-state': <1>}"},
                    StyleRow{"LiteralReplacementCharacterIsText",
                             entry("a").text("\xEF\xBF\xBC  x"), "{'label': <'\xEF\xBF\xBC  x'>}"}),
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

using namespace platform;
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
