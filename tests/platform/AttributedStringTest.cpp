#include "platform/AttributedString.h"

#include <gtest/gtest.h>

#include "platform/Utf16.h"

namespace nvx::platform {
namespace {

TEST(Utf16Test, CountsSurrogatePairsTwiceAndInvalidBytesOnceAlsoAcrossWordBounds) {
  using Case = std::pair<std::string, std::size_t>;
  for (const Case& c : {Case{"", 0}, Case{"abc", 3}, Case{"\xC3\xA9", 1}, Case{"\xEF\xBF\xBC", 1},
                        Case{"\xF0\x9F\x98\x80", 2}, Case{"\xFF\xFE", 2}, Case{"a\xE2\x82", 3},
                        // Texts long enough to be read a word at a time.
                        Case{"abcdefg\xC3\xA9hij", 11}, Case{"12 due \xC2\xB7 3 new", 14},
                        Case{"abcdefgh\xF0\x9F\x98\x80ghijklmn", 18},
                        Case{"\xFFghijklmn\xE2\x82", 11}, Case{"abcdefghijklmnop", 16}}) {
    EXPECT_EQ(utf16Length(c.first), c.second) << c.first;
  }
}

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
