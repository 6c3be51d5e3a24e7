#include <gtest/gtest.h>

#include "MenuBuilder.h"

namespace nvx::test {
namespace {

// The side-by-side walk must agree with comparing the built shapes, on every pair of lists.
TEST(ShapeTest, ComparingListsSideBySideAgreesWithComparingTheirShapes) {
  const std::vector<std::vector<Item>> lists = {
      {},
      {separator()},
      {entry("a")},
      {entry("a").children({})},
      {entry("a").children({entry("b")})},
      {entry("a"), entry("b")},
      {entry("a").children({entry("b"), separator(), entry("c").children({entry("d")})})},
      {entry("a"), entry("b"), separator(), entry("c"), entry("d")},
      {separator().children({entry("a")})},
      {entry("Caf\xC3\xA9")},
      {entry("Cafe\xCC\x81")},
      {entry("a").children({separator()}), entry("b")},
      {entry("a"), separator().children({entry("b")})},
  };
  int equalPairs = 0;
  for (const auto& a : lists) {
    for (const auto& b : lists) {
      const bool expected = sameShape(shapeOf(a), shapeOf(b));
      EXPECT_EQ(sameShape(a, b), expected);
      equalPairs += expected;
    }
  }
  // Beyond the diagonal: a/a-with-empty-children, the two nestings of a, b and of a, b, c, d,
  // the two spellings of Café, and the two placements of the separator.
  EXPECT_EQ(equalPairs, static_cast<int>(lists.size()) + 2 * 5);
}

}  // namespace
}  // namespace nvx::test
