#include "platform/streams/Utf8.h"

#include <gtest/gtest.h>

#include "support/Tables.h"

namespace nvx {
namespace {

#define R "\xEF\xBF\xBD"

TEST(Utf8RepairTest, ReplacesEachMaximalInvalidSubpartWithOneReplacementCharacter) {
  struct C : test::Row {
    std::string in, out;
  };
  for (const C& row :
       {// Valid text, the longest forms and the edges of the ranges, stays as it is.
        C{"Empty", "", ""}, C{"Ascii", "plain", "plain"}, C{"TwoBytes", "\xC3\xA9", "\xC3\xA9"},
        C{"ThreeBytes", "\xE2\x82\xAC", "\xE2\x82\xAC"},
        C{"FourBytes", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        C{"BelowSurrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
        C{"LastCodePoint", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        C{"Nul", std::string("\0", 1), std::string("\0", 1)},
        // Bytes that never start a sequence: one replacement each.
        C{"LoneContinuation", "\x80", R}, C{"OverlongC1", "\xC1\xBF", R R},
        C{"LeadF5", "\xF5\x80\x80\x80", R R R R}, C{"ByteFF", "\xFF", R},
        C{"ByteFE", "a\xFEz", "a" R "z"},
        // Truncated sequences are one maximal subpart each.
        C{"CutThree", "\xE2\x82", R}, C{"CutThreeThenAscii", "\xE2\x82z", R "z"},
        C{"CutFour", "\xF0\x9F\x98", R}, C{"CutTwo", "\xC3", R},
        C{"CutFourThenValid", "\xF0\x9F\x98\xF0\x9F\x98\x80", R "\xF0\x9F\x98\x80"},
        // A second byte outside the lead's range ends the subpart at the lead.
        C{"OverlongE0", "\xE0\x80\x80", R R R}, C{"Surrogate", "\xED\xA0\x80", R R R},
        C{"OverlongF0", "\xF0\x80\x80\x80", R R R R}, C{"AboveMax", "\xF4\x90\x80\x80", R R R R},
        // The example of the Unicode standard (U+FFFD substitution of maximal subparts).
        C{"UnicodeExample", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
          "a" R R R "b" R "c" R R "d"}}) {
    SCOPED_TRACE(row.name);
    std::string repaired = "<";
    appendRepairedUtf8(row.in, repaired);
    EXPECT_EQ(repaired, "<" + row.out) << testing::PrintToString(row.in);
  }
}

#undef R

}  // namespace
}  // namespace nvx
