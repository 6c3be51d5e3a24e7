#include "StatusMenu/TabStop.h"

#include <gtest/gtest.h>

#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

// Fixed metrics: 7 points per unit in the menu font, 7.5 in the bold font.
struct Case : Row {
  std::vector<Item> items;
  double expected;
  platform::FixedAdvanceMetrics metrics = {};
};

TEST(TabStopTest, WidestDetailedTextPlusGapPlusWidestDetailRoundedUp) {
  const std::vector<Case> cases = {
      {"EmptyList", {}, 32},
      {"NoDetailAnywhere", {entry("a").text("long text"), entry("b").detail("")}, 32},
      {"DetailOnly", {entry("a").detail("xy")}, 32 + 14},
      {"TextWithoutDetailDoesNotCount",
       {entry("a").text("aaaaaaaaaa"), entry("b").text("ab").detail("xyz")},
       14 + 32 + 21},
      // 22.5 + 32 + 14 = 68.5
      {"BoldMeasuredBoldRoundedUp", {entry("a").text("abc").bold().detail("xy")}, 69},
      {"WidestOfEachColumn",
       {entry("a").text("abcd").detail("x"), entry("b").text("a").detail("xyz")},
       28 + 32 + 21},
      {"ChildrenNotMeasured",
       {entry("a").text("ab").detail("x").children(
           {entry("c").text("very very long").detail("very long detail")})},
       14 + 32 + 7},
      {"SeparatorCountsLikeAnyItem",
       {separator().text("abcd").detail("xy"), entry("a").text("a").detail("x")},
       28 + 32 + 14},
      {"FractionBelowHalfRoundsUp",  // 6.2 + 32 + 63 = 101.2
       {entry("a").text("a").bold().detail("123456789")},
       102,
       {.systemFontSize = 13, .menuAdvance = 7, .boldAdvance = 6.2}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(tabStop(c.items, platform::FixedAdvanceFonts(c.metrics)), c.expected) << c.name;
}

}  // namespace
}  // namespace nvx::test
