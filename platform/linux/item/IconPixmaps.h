#pragma once

#include <glib.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/linux/images/PixelImage.h"

namespace nvx::platform {

// Square sizes in pixels at which tray hosts draw status icons: 16 to 24 on panels at normal
// scale, 32 and 48 on doubled scales and large panels. A host picks the nearest one.
inline constexpr std::array<int, 5> kIconPixmapSizes = {16, 22, 24, 32, 48};

// `image` scaled to fit `side` × `side` (keeping its proportions), as 0xAARRGGBB pixels.
// Area averaging with premultiplied alpha, so that transparent edges do not darken.
std::vector<std::uint32_t> scaledPixels(const PixelImage& image, int side, int* width, int* height);

// The icon as an IconPixmap value, a(iiay) (floating): `image` at each of kIconPixmapSizes,
// ARGB32 in network byte order.
GVariant* iconPixmaps(const PixelImage& image);

}  // namespace nvx::platform
