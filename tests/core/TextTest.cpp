#include "StatusMenu/Text.h"

#include <gtest/gtest.h>

#include "support/Tables.h"

namespace nvx {
namespace {

TEST(TextTest, ComparesByCanonicalEquivalenceWithCaseCounting) {
  struct Case : test::Row {
    const char *a, *b;
    bool same;
  };
  // Composed: precomposed, then e and a combining acute; Ligature: U+FB01 against "fi".
  for (const Case& c :
       {Case{"Empty", "", "", true}, Case{"Equal", "black", "black", true},
        Case{"Case", "black", "Black", false}, Case{"Accent", "\xC3\xA9", "e", false},
        Case{"Composed", "caf\xC3\xA9", "cafe\xCC\x81", true},
        Case{"Ligature", "\xEF\xAC\x81", "fi", false},
        Case{"CaseOutsideAscii", "\xC3\xA9", "\xC3\x89", false}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sameText(c.a, c.b), c.same) << c.a << " vs " << c.b;
    EXPECT_EQ(sameText(c.b, c.a), c.same) << c.b << " vs " << c.a;
  }
}

}  // namespace
}  // namespace nvx
