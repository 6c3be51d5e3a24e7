#pragma once

#include <systemd/sd-bus.h>

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

// One size of an icon as tray hosts read it: ARGB32 pixels in network byte order.
struct IconPixmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;
};

// `image` at each of kIconPixmapSizes; none for an image without pixels.
std::vector<IconPixmap> iconPixmaps(const PixelImage& image);

// Appends `pixmaps` to `message` as an IconPixmap value, a(iiay).
int appendIconPixmaps(sd_bus_message* message, const std::vector<IconPixmap>& pixmaps);

}  // namespace nvx::platform
