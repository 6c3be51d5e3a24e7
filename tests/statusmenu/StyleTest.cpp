#include "StatusMenu/Style.h"

#include <gtest/gtest.h>

#include "MenuBuilder.h"

namespace nvx::test {
namespace {

using platform::AttributedString;
using platform::AttributeKey;
using platform::AttributeRun;
using platform::AttributeSet;
using platform::ColorRole;
using platform::FontRole;
using platform::ParagraphStyle;
using platform::TextTab;
using platform::Utf16Range;

const std::string kFFFC(AttributedString::kAttachmentCharacter);

class StyleTest : public ::testing::Test {
 protected:
  // Styles a fresh entry (or `on`, when given) and returns its title.
  const AttributedString& styled(const Item& item, double tab = 100,
                                 platform::MenuItem* on = nullptr) {
    if (!on) {
      entry_ = platform_.createMenuItem("", platform::MenuAction::Chosen);
      on = entry_.get();
    }
    style(*on, item, tab, platform_);
    return *on->attributedTitle();
  }

  // The attribute set at `index` and the range over which it holds.
  static std::pair<AttributeSet, Utf16Range> at(const AttributedString& s, std::size_t index) {
    Utf16Range range;
    AttributeSet set = s.attributesAt(index, &range);
    return {set, range};
  }

  static ParagraphStyle tabAt(double location) {
    return {{TextTab{TextTab::Alignment::Right, location}}};
  }

  platform::HeadlessPlatform platform_;
  std::unique_ptr<platform::MenuItem> entry_;
};

TEST_F(StyleTest, IconTextAndDetailGiveTheThreeSegmentsWithTheirExactRanges) {
  const auto& title = styled(entry("a").icon("star").text("abc").detail("xy"), 100);
  EXPECT_EQ(title.string(), kFFFC + "  abc\txy");
  ASSERT_EQ(title.length(), 9u);

  const auto [icon, iconRange] = at(title, 0);
  ASSERT_TRUE(icon.attachment);
  EXPECT_EQ(iconRange, (Utf16Range{0, 1}));
  EXPECT_EQ(icon.font, std::nullopt);
  EXPECT_EQ(icon.foregroundColor, std::nullopt);
  EXPECT_EQ(icon.attachment->symbolName, "star");
  EXPECT_EQ(icon.attachment->pointSize, 13);
  EXPECT_EQ(icon.attachment->bounds, (platform::Rect{0, -2, 18, 16}));
  auto* image = dynamic_cast<platform::HeadlessImage*>(icon.attachment->image.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->symbolPointSize(), 13);

  EXPECT_EQ(at(title, 1),
            (std::pair{AttributeSet{FontRole::Menu, {}, {}, tabAt(100)}, Utf16Range{1, 5}}));
  EXPECT_EQ(at(title, 6),
            (std::pair{AttributeSet{FontRole::Menu, ColorRole::SecondaryLabel, {}, tabAt(100)},
                       Utf16Range{6, 3}}));
  EXPECT_EQ(title.runs(AttributeKey::ParagraphStyle),
            (std::vector<AttributeRun>{{{0, 9}, tabAt(100)}}));
}

TEST_F(StyleTest, BoldMakesTextAndIconSpacesBoldButNeverTheDetail) {
  const auto& title = styled(entry("a").icon("star").text("abc").detail("xy").bold());
  EXPECT_EQ(title.runs(AttributeKey::Font),
            (std::vector<AttributeRun>{{{1, 5}, FontRole::BoldSystem}, {{6, 3}, FontRole::Menu}}));
}

TEST_F(StyleTest, AnItemWithOnlyAnIdGivesAnEmptyTitleStateOffAndTheIdAsObject) {
  const auto& title = styled(entry("a"));
  EXPECT_EQ(title, AttributedString(""));
  EXPECT_EQ(entry_->state(), platform::ControlState::Off);
  EXPECT_EQ(entry_->representedObject(), "a");
}

TEST_F(StyleTest, OnlyCheckedTrueTurnsTheStateOn) {
  struct Case {
    std::optional<bool> checked;
    platform::ControlState state;
  };
  for (const Case& c :
       {Case{std::nullopt, platform::ControlState::Off}, Case{false, platform::ControlState::Off},
        Case{true, platform::ControlState::On}}) {
    Item item = entry("a");
    item.checked = c.checked;
    styled(item);
    EXPECT_EQ(entry_->state(), c.state) << c.checked.value_or(false);
  }
}

TEST_F(StyleTest, ReadyColoursOnlyAnExistingDetailGreen) {
  struct Case {
    Item item;
    std::vector<AttributeRun> colours;
  };
  const std::vector<Case> cases = {
      {entry("a").text("t").ready(), {}},
      {entry("a").text("t").detail("d").ready(), {{{1, 2}, ColorRole::SystemGreen}}},
      {entry("a").text("t").detail("d").ready(false), {{{1, 2}, ColorRole::SecondaryLabel}}},
      {entry("a").text("t").detail("d"), {{{1, 2}, ColorRole::SecondaryLabel}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(styled(c.item).runs(AttributeKey::ForegroundColor), c.colours);
  }
}

TEST_F(StyleTest, AnEmptyDetailIsAbsentButASpaceIsADetail) {
  const auto& empty = styled(entry("a").text("abc").detail(""));
  EXPECT_EQ(empty, AttributedString("abc", {FontRole::Menu}));

  const auto& space = styled(entry("a").text("abc").detail(" "));
  EXPECT_EQ(space.string(), "abc\t ");
  EXPECT_EQ(space.runs(AttributeKey::ParagraphStyle),
            (std::vector<AttributeRun>{{{0, 5}, tabAt(100)}}));
}

TEST_F(StyleTest, AnIconWithoutASymbolLeavesNoAttachmentAndNoSpaces) {
  for (const char* name : {"no.such.symbol", "", "Star"}) {
    const auto& title = styled(entry("a").icon(name).text("abc"));
    EXPECT_EQ(title, AttributedString("abc", {FontRole::Menu})) << name;
  }
}

TEST_F(StyleTest, RestylingDropsEverythingOfTheOldLook) {
  auto entry0 = platform_.createMenuItem("", platform::MenuAction::Chosen);
  styled(entry("a").icon("star").text("old").detail("9").checked(), 80, entry0.get());
  Item plain;
  plain.text = "new";
  const auto& title = styled(plain, 80, entry0.get());
  EXPECT_EQ(title, AttributedString("new", {FontRole::Menu}));
  EXPECT_EQ(entry0->state(), platform::ControlState::Off);
  EXPECT_EQ(entry0->representedObject(), std::nullopt);
}

TEST_F(StyleTest, ASubmenuEntryAtTabZeroStillGetsTheTabAndItsStop) {
  const auto& title = styled(entry("a").text("t").detail("d"), 0);
  EXPECT_EQ(title.string(), "t\td");
  EXPECT_EQ(title.attributesAt(0).paragraphStyle, tabAt(0));
}

TEST_F(StyleTest, RangesCountUtf16UnitsSoCharactersOutsideTheBmpCountTwo) {
  const auto& title = styled(entry("a").icon("star").text("a\xF0\x9F\x98\x80").detail("\xC3\xA9"));
  ASSERT_EQ(title.length(), 8u);  // U+FFFC, 2 spaces, 'a', a surrogate pair, tab, e-acute
  EXPECT_EQ(at(title, 5).second, (Utf16Range{1, 5}));
  EXPECT_EQ(at(title, 6).second, (Utf16Range{6, 2}));
}

TEST_F(StyleTest, StylingLeavesTitleTargetActionEnabledStateAndSubmenuAlone) {
  auto e = platform_.createMenuItem("plain", platform::MenuAction::None);
  e->setEnabled(false);
  e->setSubmenu(platform_.createMenu());
  platform::Menu* submenu = e->submenu();
  styled(entry("a").text("t"), 10, e.get());
  auto& h = dynamic_cast<platform::HeadlessMenuItem&>(*e);
  EXPECT_EQ(h.title(), "plain");
  EXPECT_EQ(h.action(), platform::MenuAction::None);
  EXPECT_EQ(h.target(), nullptr);
  EXPECT_FALSE(h.isEnabled());
  EXPECT_EQ(h.submenu(), submenu);
}

}  // namespace
}  // namespace nvx::test
