#include "StatusMenu/StatusMenuModel.h"

#include <gtest/gtest.h>

#include "StatusMenu/Text.h"
#include "support/Tables.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;
using Items = std::vector<Item>;

TEST(TextTest, ComparesByCanonicalEquivalenceWithCaseCounting) {
  struct C : test::Row {
    const char *a, *b;
    bool same;
  };
  for (const C& c :
       {C{"Empty", "", "", true}, C{"Equal", "black", "black", true},
        C{"Case", "black", "Black", false}, C{"Accent", "\xC3\xA9", "e", false},
        C{"Composed", "caf\xC3\xA9", "cafe\xCC\x81", true},  // precomposed, e + combining acute
        C{"Ligature", "\xEF\xAC\x81", "fi", false},          // compatibility ligature U+FB01
        C{"CaseOutsideAscii", "\xC3\xA9", "\xC3\x89", false}}) {  // case counts outside ASCII too
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sameText(c.a, c.b), c.same) << c.a << " vs " << c.b;
    EXPECT_EQ(sameText(c.b, c.a), c.same) << c.b << " vs " << c.a;
  }
}

TEST(ItemEqualityTest, EveryFieldTakesPart) {
  const Item base{.id = "a",
                  .text = "t",
                  .detail = "d",
                  .icon = "i",
                  .checked = true,
                  .bold = false,
                  .ready = true,
                  .children = Items{Item{.id = "c"}},
                  .disabled = false};
  EXPECT_TRUE(base == base);
  std::vector<Item> variants(12, base);
  variants[0].id.reset();
  variants[1].text = "T";
  variants[2].detail.reset();
  variants[3].icon = "";
  variants[4].checked = false;
  variants[5].bold.reset();  // absent differs from false
  variants[6].ready.reset();
  variants[7].children.reset();
  variants[8].children->clear();  // empty differs from absent and from one child
  (*variants[9].children)[0].text = "x";
  variants[10].disabled.reset();
  variants[11].disabled = true;
  for (std::size_t i = 0; i < variants.size(); ++i)
    EXPECT_FALSE(variants[i] == base) << "variant " << i;
  EXPECT_FALSE(variants[7] == variants[8]);
}

TEST(ItemEqualityTest, ComparesTextsByCanonicalEquivalence) {
  EXPECT_TRUE((Item{.id = "caf\xC3\xA9"} == Item{.id = "cafe\xCC\x81"}));
  EXPECT_TRUE((Item{.text = "\xC3\xA9"} == Item{.text = "e\xCC\x81"}));
  EXPECT_FALSE((Item{.text = "\xEF\xAC\x81"} == Item{.text = "fi"}));
  EXPECT_FALSE((Item{.text = ""} == Item{}));
}

}  // namespace
}  // namespace nvx
