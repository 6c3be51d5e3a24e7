#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Tables.h"

namespace nvx::platform {
namespace {

TEST(Utf16Test, CountsSurrogatePairsTwiceAndInvalidBytesOnceAlsoAcrossWordBounds) {
  struct Case : test::Row {
    std::string text;
    std::size_t length;
  };
  for (const Case& c :
       {Case{"Empty", "", 0}, Case{"Ascii", "abc", 3}, Case{"TwoBytes", "\xC3\xA9", 1},
        Case{"ThreeBytes", "\xEF\xBF\xBC", 1}, Case{"FourBytes", "\xF0\x9F\x98\x80", 2},
        Case{"InvalidBytes", "\xFF\xFE", 2}, Case{"Truncated", "a\xE2\x82", 3},
        // Texts long enough to be read a word at a time.
        Case{"WordTwoBytes", "abcdefg\xC3\xA9hij", 11},
        Case{"WordMiddleDot", "12 min \xC2\xB7 3 new", 14},
        Case{"WordFourBytes", "abcdefgh\xF0\x9F\x98\x80ghijklmn", 18},
        Case{"WordInvalid", "\xFFghijklmn\xE2\x82", 11},
        Case{"WordAscii", "abcdefghijklmnop", 16}}) {
    EXPECT_EQ(utf16Length(c.text), c.length) << c.name;
  }
}

}  // namespace
}  // namespace nvx::platform
