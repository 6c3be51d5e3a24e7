#include "platform/streams/Utf8.h"

#include <gtest/gtest.h>

namespace nvx {
namespace {

#define R "\xEF\xBF\xBD"

TEST(Utf8RepairTest, ReplacesEachMaximalInvalidSubpartWithOneReplacementCharacter) {
  using C = std::pair<std::string, std::string>;
  for (const auto& [in, out] :
       {// Valid text, the longest forms and the edges of the ranges, stays as it is.
        C{"", ""}, C{"plain", "plain"}, C{"\xC3\xA9", "\xC3\xA9"},
        C{"\xE2\x82\xAC", "\xE2\x82\xAC"}, C{"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        C{"\xED\x9F\xBF", "\xED\x9F\xBF"}, C{"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        C{std::string("\0", 1), std::string("\0", 1)},
        // Bytes that never start a sequence: one replacement each.
        C{"\x80", R}, C{"\xBF\x80", R R}, C{"\xC0\xAF", R R}, C{"\xC1\xBF", R R},
        C{"\xF5\x80\x80\x80", R R R R}, C{"\xFF", R}, C{"a\xFEz", "a" R "z"},
        // Truncated sequences are one maximal subpart each.
        C{"\xE2\x82", R}, C{"\xE2\x82z", R "z"}, C{"\xF0\x9F\x98", R}, C{"\xC3", R},
        C{"\xF0\x9F\x98\xF0\x9F\x98\x80", R "\xF0\x9F\x98\x80"},
        // A second byte outside the lead's range ends the subpart at the lead.
        C{"\xE0\x80\x80", R R R}, C{"\xED\xA0\x80", R R R}, C{"\xF0\x80\x80\x80", R R R R},
        C{"\xF4\x90\x80\x80", R R R R},
        // The example of the Unicode standard (U+FFFD substitution of maximal subparts).
        C{"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", "a" R R R "b" R "c" R R "d"}}) {
    std::string repaired = "<";
    appendRepairedUtf8(in, repaired);
    EXPECT_EQ(repaired, "<" + out) << testing::PrintToString(in);
  }
}

#undef R

}  // namespace
}  // namespace nvx
