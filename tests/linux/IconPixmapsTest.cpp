// The status icon's pixels as tray hosts read them.
#include "platform/linux/item/IconPixmaps.h"

#include <gtest/gtest.h>

namespace nvx::platform {
namespace {

TEST(IconPixmapsTest, GoOutAsArgbBytesInNetworkOrderAtEveryHostSizeKeepingProportions) {
  const auto pixmaps = iconPixmaps(PixelImage(2, 1, {0x80FF0000u, 0x80FF0000u}));
  ASSERT_EQ(pixmaps.size(), kIconPixmapSizes.size());
  EXPECT_EQ(pixmaps[0].width, 16);
  EXPECT_EQ(pixmaps[0].height, 8);
  const std::vector<std::uint8_t> first(pixmaps[0].bytes.begin(), pixmaps[0].bytes.begin() + 5);
  EXPECT_EQ(first, (std::vector<std::uint8_t>{0x80, 0xff, 0x00, 0x00, 0x80}));
}

// The black status icon is a copy made on every update; its pixels are the original's.
TEST(IconPixmapsTest, ACopyOfAnImageSharesItsPixels) {
  const PixelImage image(1, 1, {0xFF000000u});
  const auto copy = std::dynamic_pointer_cast<PixelImage>(image.copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(&copy->argb(), &image.argb());
}

}  // namespace
}  // namespace nvx::platform
