#include "platform/AttributedString.h"

#include <gtest/gtest.h>

namespace nvx::platform {
namespace {

TEST(AttributedStringTest, KeepsRunsMergedSplitsThemAroundANewValueAndClampsRanges) {
  AttributedString s("ab", {FontRole::Menu});
  s.append("cd", {FontRole::Menu});
  s.addAttribute(FontRole::BoldSystem, {1, 2});
  s.addAttribute(ColorRole::SystemGreen, {3, std::size_t(-1)});
  s.addAttribute(ColorRole::SecondaryLabel, {99, 3});
  EXPECT_EQ(s.string(), "abcd");
  EXPECT_EQ(s.runs(), (std::vector<AttributeRun>{{{0, 1}, FontRole::Menu},
                                                 {{1, 2}, FontRole::BoldSystem},
                                                 {{3, 1}, FontRole::Menu},
                                                 {{3, 1}, ColorRole::SystemGreen}}));
  EXPECT_FALSE(s.containsAttachmentIn({0, std::size_t(-1)}));
}

}  // namespace
}  // namespace nvx::platform
