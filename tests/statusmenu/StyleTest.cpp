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
constexpr ControlState kOn = ControlState::On;

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
  // Styles the test's one entry as `item`, with the tab at 100, and returns its title.
  const AttributedString& styled(const Item& item) {
    style(*entry_, item, 100, platform_);
    return *entry_->attributedTitle();
  }

  platform::HeadlessToolkit platform_;
  std::unique_ptr<platform::MenuItem> entry_ =
      platform_.createMenuItem("", platform::MenuAction::Chosen);
};

// Ranges count UTF-16 units; the detail and its tab are in the menu font, grey or green. The
// rows restyle one entry in turn: only checked true turns its state on, from whatever it was.
TEST_F(StyleTest, GivesTheTitleItsTextAndDetailWithTheirFontsColoursAndTabAndTheState) {
  struct Title : Row {
    Item item;
    AttributedString title;
    ControlState state = ControlState::Off;
  };
  const Title cases[] = {
      {"TextAndDetailChecked", entry("a").text("abc").detail("xy").checked(),
       titled("abc\txy", {{{0, 6}, kMenu}, {{3, 3}, kGrey}, {{0, 6}, tabAt(100)}}), kOn},
      {"BoldNeverTheDetail", entry("a").text("abc").detail("xy").bold(),
       titled("abc\txy", {{{0, 3}, FontRole::BoldSystem},
                          {{3, 3}, kMenu},
                          {{3, 3}, kGrey},
                          {{0, 6}, tabAt(100)}})},
      {"OnlyAnIdChecked", entry("a").checked(), titled("", {}), kOn},
      {"NotReadyUnchecked", entry("a").text("t").detail("d").ready(false).checked(false),
       titled("t\td", {{{0, 3}, kMenu}, {{1, 2}, kGrey}, {{0, 3}, tabAt(100)}})},
      {"ReadyWithoutDetail", entry("a").text("t").ready(), titled("t", {{{0, 1}, kMenu}})},
      {"ReadyDetail", entry("a").text("t").detail("d").ready(),
       titled("t\td", {{{0, 3}, kMenu}, {{1, 2}, ColorRole::SystemGreen}, {{0, 3}, tabAt(100)}})},
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
    EXPECT_EQ(entry_->state(), row.state);
    EXPECT_EQ(entry_->representedObject(), "a");
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

}  // namespace
}  // namespace nvx::test
