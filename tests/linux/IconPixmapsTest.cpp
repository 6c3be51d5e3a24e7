// The status icon's pixels as tray hosts read them.
#include "platform/linux/item/IconPixmaps.h"

#include <gtest/gtest.h>

#include "platform/linux/dbus/GPtr.h"

namespace nvx::platform {
namespace {

TEST(IconPixmapsTest, GoOutAsArgbBytesInNetworkOrderAtEveryHostSizeKeepingProportions) {
  const GVariantPtr pixmaps(
      g_variant_ref_sink(iconPixmaps(PixelImage(2, 1, {0x80FF0000u, 0x80FF0000u}))));
  ASSERT_EQ(g_variant_n_children(pixmaps.get()), kIconPixmapSizes.size());
  const GCharPtr text(g_variant_print(pixmaps.get(), FALSE));
  EXPECT_TRUE(std::string(text.get()).starts_with("[(16, 8, [0x80, 0xff, 0x00, 0x00, 0x80,"))
      << text.get();
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
