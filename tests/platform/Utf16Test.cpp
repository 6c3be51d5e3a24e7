#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace nvx::platform {
namespace {

TEST(Utf16Test, CountsSurrogatePairsTwiceAndInvalidBytesOnceAlsoAcrossWordBounds) {
  using Case = std::pair<std::string, std::size_t>;
  for (const Case& c : {Case{"", 0}, Case{"abc", 3}, Case{"\xC3\xA9", 1}, Case{"\xEF\xBF\xBC", 1},
                        Case{"\xF0\x9F\x98\x80", 2}, Case{"\xFF\xFE", 2}, Case{"a\xE2\x82", 3},
                        // Texts long enough to be read a word at a time.
                        Case{"abcdefg\xC3\xA9hij", 11}, Case{"12 min \xC2\xB7 3 new", 14},
                        Case{"abcdefgh\xF0\x9F\x98\x80ghijklmn", 18},
                        Case{"\xFFghijklmn\xE2\x82", 11}, Case{"abcdefghijklmnop", 16}}) {
    EXPECT_EQ(utf16Length(c.first), c.second) << c.first;
  }
}

}  // namespace
}  // namespace nvx::platform
