#include "nvx-menubar/Utf8.h"

#include <gtest/gtest.h>

namespace nvx {
namespace {

std::string repaired(std::string_view in) {
  std::string out = "<";
  appendRepairedUtf8(in, out);
  return out;
}

#define R "\xEF\xBF\xBD"

struct Case {
  std::string in, out;
};

// Keeps test names readable: ctest lists every parameter by its printed form.
void PrintTo(const Case& c, std::ostream* os) {
  *os << testing::PrintToString(std::string(c.in));
}

class Utf8RepairTest : public testing::TestWithParam<Case> {};

TEST_P(Utf8RepairTest, ReplacesEachMaximalInvalidSubpartWithOneReplacementCharacter) {
  EXPECT_EQ(repaired(GetParam().in), "<" + GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8RepairTest,
    testing::Values(
        // Valid text, the longest forms and the edges of the ranges, stays as it is.
        Case{"", ""}, Case{"plain", "plain"}, Case{"\xC3\xA9", "\xC3\xA9"},
        Case{"\xE2\x82\xAC", "\xE2\x82\xAC"}, Case{"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        Case{"\xED\x9F\xBF", "\xED\x9F\xBF"}, Case{"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        Case{std::string("\0", 1), std::string("\0", 1)},
        // Bytes that never start a sequence: one replacement each.
        Case{"\x80", R}, Case{"\xBF\x80", R R}, Case{"\xC0\xAF", R R}, Case{"\xC1\xBF", R R},
        Case{"\xF5\x80\x80\x80", R R R R}, Case{"\xFF", R},
        Case{"a\xFE"
             "b",
             "a" R "b"},
        // Truncated sequences are one maximal subpart each.
        Case{"\xE2\x82", R},
        Case{"\xE2\x82"
             "a",
             R "a"},
        Case{"\xF0\x9F\x98", R},
        Case{"\xF0\x9F\x98"
             "\xF0\x9F\x98\x80",
             R "\xF0\x9F\x98\x80"},
        Case{"\xC3", R},
        // A second byte outside the lead's range ends the subpart at the lead.
        Case{"\xE0\x80\x80", R R R}, Case{"\xED\xA0\x80", R R R}, Case{"\xF0\x80\x80\x80", R R R R},
        Case{"\xF4\x90\x80\x80", R R R R},
        // The example of the Unicode standard (U+FFFD substitution of maximal subparts).
        Case{"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", "a" R R R "b" R "c" R R "d"}));

#undef R

}  // namespace
}  // namespace nvx
