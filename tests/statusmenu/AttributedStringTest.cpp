#include "platform/AttributedString.h"

#include <gtest/gtest.h>

#include "platform/Utf16.h"

namespace nvx::platform {
namespace {

TEST(Utf16Test, LengthsAndOffsetsCountSurrogatePairsAndInvalidBytes) {
  struct Case {
    std::string text;
    std::size_t length;
  };
  for (const Case& c : {Case{"", 0}, Case{"abc", 3}, Case{"\xC3\xA9", 1}, Case{"\xEF\xBF\xBC", 1},
                        Case{"\xF0\x9F\x98\x80", 2}, Case{"\xFF\xFE", 2}, Case{"a\xE2\x82", 3},
                        // Longer texts, read a word at a time: characters across word bounds.
                        Case{"abcdefg\xC3\xA9hij", 11}, Case{"12 due \xC2\xB7 3 new", 14},
                        Case{"abcdefgh\xF0\x9F\x98\x80"
                             "abcdefgh",
                             18},
                        Case{"\xFF"
                             "abcdefgh\xE2\x82",
                             11},
                        Case{"abcdefghijklmnop", 16}}) {
    EXPECT_EQ(utf16Length(c.text), c.length) << c.text;
  }
  const std::string s =
      "a\xF0\x9F\x98\x80"
      "b";
  EXPECT_EQ(utf8Offset(s, 1), 1u);
  EXPECT_EQ(utf8Offset(s, 2), 1u) << "inside the pair rounds down";
  EXPECT_EQ(utf8Offset(s, 3), 5u);
  EXPECT_EQ(utf8Offset(s, 99), s.size());
}

TEST(AttributedStringTest, InsertSplitsTheRunItLandsInAndShiftsTheRest) {
  AttributedString s("abcd", {FontRole::Menu});
  s.addAttribute(ColorRole::SystemGreen, {2, 2});
  s.insert(1, AttributedString("XY", {FontRole::BoldSystem}));
  EXPECT_EQ(s.string(), "aXYbcd");
  EXPECT_EQ(s.runs(), (std::vector<AttributeRun>{{{0, 1}, FontRole::Menu},
                                                 {{1, 2}, FontRole::BoldSystem},
                                                 {{3, 3}, FontRole::Menu},
                                                 {{4, 2}, ColorRole::SystemGreen}}));
}

TEST(AttributedStringTest, TouchingRunsWithEqualValuesMergeAndAddAttributeReplacesOnlyItsRange) {
  AttributedString s("ab", {FontRole::Menu});
  s.append(AttributedString("cd", {FontRole::Menu}));
  EXPECT_EQ(s.runs(AttributeKey::Font), (std::vector<AttributeRun>{{{0, 4}, FontRole::Menu}}));
  s.addAttribute(FontRole::BoldSystem, {1, 2});
  EXPECT_EQ(s.runs(AttributeKey::Font), (std::vector<AttributeRun>{{{0, 1}, FontRole::Menu},
                                                                   {{1, 2}, FontRole::BoldSystem},
                                                                   {{3, 1}, FontRole::Menu}}));
}

TEST(AttributedStringTest, AttributesAtGivesTheSetAndTheRangeWhereItHolds) {
  AttributedString s("abcdef", {FontRole::Menu});
  s.addAttribute(ColorRole::SecondaryLabel, {2, 2});
  Utf16Range range;
  EXPECT_EQ(s.attributesAt(3, &range),
            (AttributeSet{.font = FontRole::Menu, .foregroundColor = ColorRole::SecondaryLabel}));
  EXPECT_EQ(range, (Utf16Range{2, 2}));
  EXPECT_EQ(s.attributesAt(5, &range), (AttributeSet{.font = FontRole::Menu}));
  EXPECT_EQ(range, (Utf16Range{4, 2}));
  EXPECT_EQ(s.attributesAt(6, &range), AttributeSet{});
  EXPECT_EQ(range, (Utf16Range{6, 0}));
}

TEST(AttributedStringTest, OutOfRangeIndicesAndRangesAreClampedNotTrusted) {
  AttributedString s("ab");
  s.addAttribute(FontRole::Menu, {1, std::size_t(-1)});
  s.addAttribute(ColorRole::SystemGreen, {99, 3});
  s.insert(99, AttributedString("c"));
  EXPECT_EQ(s.string(), "abc");
  EXPECT_EQ(s.runs(), (std::vector<AttributeRun>{{{1, 1}, FontRole::Menu}}));
  EXPECT_FALSE(s.containsAttachmentIn({0, std::size_t(-1)}));
}

TEST(AttributedStringTest, AnAttachmentStandsOnOneReplacementCharacter) {
  auto s = AttributedString::withAttachment({nullptr, "star", 13, {0, -2, 18, 16}});
  s.append(AttributedString("x"));
  EXPECT_EQ(s.string(), "\xEF\xBF\xBCx");
  EXPECT_TRUE(s.containsAttachmentIn({0, 1}));
  EXPECT_FALSE(s.containsAttachmentIn({1, 1}));
}

}  // namespace
}  // namespace nvx::platform
