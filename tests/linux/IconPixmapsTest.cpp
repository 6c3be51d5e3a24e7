// The status icon's pixels as tray hosts read them.
#include "platform/linux/item/IconPixmaps.h"

#include <gtest/gtest.h>

namespace nvx::platform {
namespace {

// Of a copy too: the black status icon is one, made on every update.
TEST(IconPixmapsTest, GoOutAsArgbBytesInNetworkOrderAtEveryHostSizeKeepingProportions) {
  const auto copy = PixelImage(2, 1, {0x80FF0000u, 0x80FF0000u}).copy();
  const auto pixmaps = iconPixmaps(dynamic_cast<const PixelImage&>(*copy));
  ASSERT_EQ(pixmaps.size(), kIconPixmapSizes.size());
  EXPECT_EQ(std::pair(pixmaps[0].width, pixmaps[0].height), std::pair(16, 8));
  const std::vector<std::uint8_t> first(pixmaps[0].bytes.begin(), pixmaps[0].bytes.begin() + 5);
  EXPECT_EQ(first, (std::vector<std::uint8_t>{0x80, 0xff, 0x00, 0x00, 0x80}));
}

}  // namespace
}  // namespace nvx::platform
