#include "StatusMenu/StatusMenuModel.h"

#include <gtest/gtest.h>

#include "support/Tables.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;
using Items = std::vector<Item>;

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

// Every text field: precomposed on one side, decomposed on the other.
TEST(ItemEqualityTest, ComparesTextsByCanonicalEquivalenceAndAnEmptyOneIsNotAbsent) {
  const char *composed = "caf\xC3\xA9", *decomposed = "cafe\xCC\x81";
  EXPECT_TRUE(
      (Item{.id = composed, .text = composed, .detail = composed, .icon = composed} ==
       Item{.id = decomposed, .text = decomposed, .detail = decomposed, .icon = decomposed}));
  EXPECT_FALSE((Item{.text = ""} == Item{}));
}

}  // namespace
}  // namespace nvx
