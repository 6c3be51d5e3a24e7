#include <gtest/gtest.h>

#include "support/MenuBuilder.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

// Lists of entries, labelled: lists with the same label have the same shape, for every pair.
TEST(ShapeTest, ListsHaveTheSameShapeExactlyWhenTheirIdsInPreOrderAreEquivalent) {
  struct List : Row {
    char label;
    std::vector<Item> items;
  };
  const std::vector<List> lists = {
      {"None", '0', {}},
      {"Separator", 's', {separator()}},
      {"Entry", 'a', {entry("a")}},
      {"EmptySubmenu", 'a', {entry("a").children({})}},
      {"Child", 'b', {entry("a").children({entry("b")})}},
      {"Sibling", 'b', {entry("a"), entry("b")}},
      {"Nested",
       'd',
       {entry("a").children({entry("b"), separator(), entry("c").children({entry("d")})})}},
      {"Flat", 'd', {entry("a"), entry("b"), separator(), entry("c"), entry("d")}},
      {"SeparatorKids", 'x', {separator().children({entry("a")})}},  // a separator's children count
      {"Composed", 'e', {entry("Caf\xC3\xA9")}},
      {"Decomposed", 'e', {entry("Cafe\xCC\x81")}},  // canonically equivalent
      {"Capital", 'A', {entry("A")}},                // letter case counts
      {"EmptyId", 'E', {entry("")}},                 // an empty id is no separator
      {"ChildSeparator", 'y', {entry("a").children({separator()}), entry("b")}},
      {"SeparatorParent", 'y', {entry("a"), separator().children({entry("b")})}},
  };
  for (const List& a : lists) {
    for (const List& b : lists) {
      EXPECT_EQ(sameShape(a.items, b.items), a.label == b.label) << a.name << " " << b.name;
    }
  }
  EXPECT_EQ(lists[6].items[0].shape(), (Shape{"a", "b", std::nullopt, "c", "d"}));
}

}  // namespace
}  // namespace nvx::test
