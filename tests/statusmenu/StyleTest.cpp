#include "StatusMenu/Style.h"

#include <gtest/gtest.h>

#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using platform::AttributedString;
using platform::AttributeRun;
using platform::ColorRole;
using platform::ControlState;
using platform::FontRole;
using platform::TextTab;

const std::string kFFFC(AttributedString::kAttachmentCharacter);
constexpr FontRole kMenu = FontRole::Menu;
constexpr ColorRole kGrey = ColorRole::SecondaryLabel;

platform::ParagraphStyle tabAt(double location) {
  return {{TextTab{TextTab::Alignment::Right, location}}};
}

// `text` with `runs`, as a styled title is expected to be.
AttributedString titled(std::string text, const std::vector<AttributeRun>& runs) {
  AttributedString s(std::move(text));
  for (const AttributeRun& run : runs)
    s.addAttribute(run.value, run.range);
  return s;
}

class StyleTest : public ::testing::Test {
 protected:
  // Styles `on` (a fresh entry when null) as `item` and returns its title.
  const AttributedString& styled(const Item& item, double tab = 100,
                                 platform::MenuItem* on = nullptr) {
    if (!on) {
      entry_ = platform_.createMenuItem("", platform::MenuAction::Chosen);
      on = entry_.get();
    }
    style(*on, item, tab, platform_);
    return *on->attributedTitle();
  }

  platform::HeadlessToolkit platform_;
  std::unique_ptr<platform::MenuItem> entry_;
};

// Ranges count UTF-16 units; the detail and its tab are in the menu font, grey or green.
TEST_F(StyleTest, GivesTheTitleItsTextAndDetailWithTheirFontsColoursAndTab) {
  struct Title : Row {
    Item item;
    AttributedString title;
  };
  const Title cases[] = {
      {"TextAndDetail", entry("a").text("abc").detail("xy"),
       titled("abc\txy", {{{0, 6}, kMenu}, {{3, 3}, kGrey}, {{0, 6}, tabAt(100)}})},
      {"BoldNeverTheDetail", entry("a").text("abc").detail("xy").bold(),
       titled("abc\txy", {{{0, 3}, FontRole::BoldSystem},
                          {{3, 3}, kMenu},
                          {{3, 3}, kGrey},
                          {{0, 6}, tabAt(100)}})},
      {"OnlyAnId", entry("a"), titled("", {})},
      {"ReadyWithoutDetail", entry("a").text("t").ready(), titled("t", {{{0, 1}, kMenu}})},
      {"ReadyDetail", entry("a").text("t").detail("d").ready(),
       titled("t\td", {{{0, 3}, kMenu}, {{1, 2}, ColorRole::SystemGreen}, {{0, 3}, tabAt(100)}})},
      {"NotReady", entry("a").text("t").detail("d").ready(false),
       titled("t\td", {{{0, 3}, kMenu}, {{1, 2}, kGrey}, {{0, 3}, tabAt(100)}})},
      {"EmptyDetailIsNone", entry("a").text("abc").detail(""), titled("abc", {{{0, 3}, kMenu}})},
      {"SpaceIsADetail", entry("a").text("abc").detail(" "),
       titled("abc\t ", {{{0, 5}, kMenu}, {{3, 2}, kGrey}, {{0, 5}, tabAt(100)}})},
      {"NoSuchSymbol", entry("a").icon("no.such").text("abc"), titled("abc", {{{0, 3}, kMenu}})},
      {"SymbolNamesMatchExactly", entry("a").icon("Star").text("abc"),
       titled("abc", {{{0, 3}, kMenu}})},
      {"SurrogatePairCountsTwo", entry("a").text("a\xF0\x9F\x98\x80").detail("\xC3\xA9"),
       titled("a\xF0\x9F\x98\x80\t\xC3\xA9",
              {{{0, 5}, kMenu}, {{3, 2}, kGrey}, {{0, 5}, tabAt(100)}})},
  };
  for (const Title& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(styled(row.item), row.title);
  }
}

TEST_F(StyleTest, AnIconIsAConfiguredSymbolOnOneCharacterAndTwoSpacesInTheTextsFont) {
  const AttributedString& title = styled(entry("a").icon("star").text("abc").detail("xy").bold());
  ASSERT_EQ(title.runs().size(), 5u);
  const auto attachment = std::get<platform::Attachment>(title.runs()[3].value);
  EXPECT_EQ(title, titled(kFFFC + "  abc\txy", {{{1, 5}, FontRole::BoldSystem},
                                                {{6, 3}, kMenu},
                                                {{6, 3}, kGrey},
                                                {{0, 1}, attachment},
                                                {{0, 9}, tabAt(100)}}));
  EXPECT_EQ(attachment->symbolName, "star");
  EXPECT_EQ(attachment->pointSize, 13);
  EXPECT_EQ(attachment->bounds, (platform::Rect{0, -2, 18, 16}));
  auto* image = dynamic_cast<platform::HeadlessImage*>(attachment->image.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->symbolPointSize(), 13);
}

// Restyling one entry: only checked true turns the state on. What else of an entry styling may
// not touch is the refresh's to show (StatusMenuTest).
TEST_F(StyleTest, SetsTheStateOnOnlyForCheckedTrueAndTheIdAsRepresentedObject) {
  auto e = platform_.createMenuItem("", platform::MenuAction::Chosen);
  struct Check : Row {
    std::optional<bool> checked;
    ControlState state;
  };
  for (const Check& row :
       {Check{"True", true, ControlState::On}, Check{"Absent", {}, ControlState::Off},
        Check{"TrueAgain", true, ControlState::On}, Check{"False", false, ControlState::Off}}) {
    SCOPED_TRACE(row.name);
    Item item = entry("a");
    item.checked = row.checked;
    styled(item, 100, e.get());
    EXPECT_EQ(e->state(), row.state) << row.checked.value_or(false);
    EXPECT_EQ(e->representedObject(), "a");
  }
}

}  // namespace
}  // namespace nvx::test
