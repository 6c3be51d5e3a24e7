#include <gtest/gtest.h>

#include "support/MenuBuilder.h"

namespace nvx::test {
namespace {

// Lists of entries, labelled: lists with the same label have the same shape, for every pair.
TEST(ShapeTest, ListsHaveTheSameShapeExactlyWhenTheirIdsInPreOrderAreEquivalent) {
  const std::vector<std::pair<char, std::vector<Item>>> lists = {
      {'0', {}},
      {'s', {separator()}},
      {'a', {entry("a")}},
      {'a', {entry("a").children({})}},
      {'b', {entry("a").children({entry("b")})}},
      {'b', {entry("a"), entry("b")}},
      {'d', {entry("a").children({entry("b"), separator(), entry("c").children({entry("d")})})}},
      {'d', {entry("a"), entry("b"), separator(), entry("c"), entry("d")}},
      {'x', {separator().children({entry("a")})}},  // a separator's children count
      {'e', {entry("Caf\xC3\xA9")}},
      {'e', {entry("Cafe\xCC\x81")}},  // canonically equivalent
      {'A', {entry("A")}},             // letter case counts
      {'E', {entry("")}},              // an empty id is no separator
      {'y', {entry("a").children({separator()}), entry("b")}},
      {'y', {entry("a"), separator().children({entry("b")})}},
  };
  for (const auto& [labelA, a] : lists) {
    for (const auto& [labelB, b] : lists) {
      EXPECT_EQ(sameShape(a, b), labelA == labelB) << labelA << " " << labelB;
    }
  }
  const Item item = lists[6].second[0];
  EXPECT_EQ(item.shape(), (Shape{"a", "b", std::nullopt, "c", "d"}));
}

}  // namespace
}  // namespace nvx::test
