#include "StatusMenu/StatusMenuModel.h"

#include <gtest/gtest.h>

#include "StatusMenu/Text.h"
#include "nvx-menubar/Protocol.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;
using Items = std::vector<Item>;

Shape shapeOfIds(std::initializer_list<const char*> ids) {
  Shape shape;
  for (const char* id : ids)
    shape.push_back(id ? std::optional<std::string_view>(id) : std::nullopt);
  return shape;
}

TEST(TextTest, ComparesByCanonicalEquivalenceWithCaseCounting) {
  struct Case {
    const char *a, *b;
    bool same;
  };
  const Case cases[] = {
      {"", "", true},
      {"black", "black", true},
      {"black", "Black", false},
      {"caf\xC3\xA9", "cafe\xCC\x81", true},             // precomposed vs e + combining acute
      {"e\xCC\x81\xCC\xA3", "e\xCC\xA3\xCC\x81", true},  // combining marks in canonical order
      {"\xE1\xBB\x87", "e\xCC\xA3\xCC\x82", true},       // U+1EC7 vs its full decomposition
      {"\xEF\xAC\x81", "fi", false},                     // compatibility ligature U+FB01
      {"\xE2\x84\xAA", "K", true},                       // KELVIN SIGN is canonically K
      {"\xC3\xA9", "e", false},
      {"a", "a ", false},
      {"\xC3\xA9", "\xC3\x89", false},  // case counts outside ASCII too
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sameText(c.a, c.b), c.same) << c.a << " vs " << c.b;
    EXPECT_EQ(sameText(c.b, c.a), c.same) << c.b << " vs " << c.a;
  }
}

TEST(ShapeTest, ListsIdsInPreOrderWithSeparatorsAsAbsent) {
  const Item item{.id = "a",
                  .children = Items{Item{.id = "b"}, Item{},
                                    Item{.id = "c", .children = Items{Item{.id = "d"}}}}};
  EXPECT_TRUE(sameShape(item.shape(), shapeOfIds({"a", "b", nullptr, "c", "d"})));
  EXPECT_EQ(Item{}.shape().size(), 1u);
  EXPECT_FALSE(Item{}.shape()[0]);
  EXPECT_TRUE(shapeOf({}).empty());
  // A separator's children still take part in the shape, as the rule says.
  EXPECT_EQ((Item{.children = Items{Item{.id = "x"}}}.shape().size()), 2u);
}

TEST(ShapeTest, ComparesLengthAbsenceAndTextsByEquivalence) {
  const Items nested{Item{.id = "a", .children = Items{Item{.id = "b"}}}};
  const Items flat{Item{.id = "a"}, Item{.id = "b"}};
  EXPECT_TRUE(sameShape(shapeOf(nested), shapeOf(flat)));
  EXPECT_FALSE(nested == flat);

  EXPECT_TRUE(sameShape(shapeOfIds({"caf\xC3\xA9"}), shapeOfIds({"cafe\xCC\x81"})));
  EXPECT_FALSE(sameShape(shapeOfIds({"a"}), shapeOfIds({"A"})));
  EXPECT_FALSE(sameShape(shapeOfIds({""}), shapeOfIds({nullptr})));
  EXPECT_FALSE(sameShape(shapeOfIds({"a"}), shapeOfIds({"a", nullptr})));
  EXPECT_TRUE(sameShape(shapeOfIds({nullptr, nullptr}), shapeOfIds({nullptr, nullptr})));
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
  for (std::size_t i = 0; i < variants.size(); ++i) {
    EXPECT_FALSE(variants[i] == base) << "variant " << i;
    const bool idsKept = i != 0 && i != 7 && i != 8;
    EXPECT_EQ(sameShape(variants[i].shape(), base.shape()), idsKept) << "variant " << i;
  }
  EXPECT_FALSE(variants[7] == variants[8]);
}

TEST(ItemEqualityTest, ComparesTextsByCanonicalEquivalence) {
  EXPECT_TRUE((Item{.id = "caf\xC3\xA9"} == Item{.id = "cafe\xCC\x81"}));
  EXPECT_TRUE((Item{.text = "\xC3\xA9"} == Item{.text = "e\xCC\x81"}));
  EXPECT_FALSE((Item{.text = "\xEF\xAC\x81"} == Item{.text = "fi"}));
  EXPECT_FALSE((Item{.text = ""} == Item{}));
}

TEST(EventLineTest, WritesTheTextUnchangedWithOneLineFeed) {
  EXPECT_EQ(protocol::eventLine("alerts"), "alerts\n");
  EXPECT_EQ(protocol::eventLine(""), "\n");
  EXPECT_EQ(protocol::eventLine("a\nb \"q\"\\"), "a\nb \"q\"\\\n");
}

TEST(EventLineTest, KnowsExactlyTheFourQuietActions) {
  for (const char* quiet : {"alerts", "share", "rate", "website"}) {
    EXPECT_TRUE(protocol::isQuietAction(quiet)) << quiet;
  }
  for (const char* loud : {"open", "card", "Share", "share ", "", "rates", "alert"}) {
    EXPECT_FALSE(protocol::isQuietAction(loud)) << loud;
  }
}

}  // namespace
}  // namespace nvx
