#include "IconPixmaps.h"

#include <algorithm>
#include <cmath>

namespace nvx::platform {
namespace {

// One source pixel's share of a destination pixel along one axis.
struct Share {
  int source;
  double weight;
};

// For each of `to` destination pixels, the source pixels of `from` it covers and how much.
std::vector<std::vector<Share>> shares(int from, int to) {
  std::vector<std::vector<Share>> out(static_cast<std::size_t>(to));
  const double step = static_cast<double>(from) / to;
  for (int d = 0; d < to; ++d) {
    const double begin = d * step;
    const double end = begin + step;
    for (int s = static_cast<int>(begin); s < from && s < end; ++s) {
      const double weight = std::min<double>(end, s + 1) - std::max<double>(begin, s);
      if (weight > 0) out[static_cast<std::size_t>(d)].push_back({s, weight});
    }
  }
  return out;
}

std::uint32_t channel(std::uint32_t pixel, int shift) {
  return (pixel >> shift) & 0xFF;
}

}  // namespace

std::vector<std::uint32_t> scaledPixels(const PixelImage& image, int side, int* width,
                                        int* height) {
  const int w0 = image.pixelWidth();
  const int h0 = image.pixelHeight();
  const double scale = static_cast<double>(side) / std::max(w0, h0);
  const int w = std::max(1, static_cast<int>(std::lround(w0 * scale)));
  const int h = std::max(1, static_cast<int>(std::lround(h0 * scale)));
  const auto columns = shares(w0, w);
  const auto rows = shares(h0, h);
  const std::vector<std::uint32_t>& source = image.argb();
  std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double a = 0, r = 0, g = 0, b = 0, area = 0;
      for (const Share& row : rows[static_cast<std::size_t>(y)]) {
        for (const Share& column : columns[static_cast<std::size_t>(x)]) {
          const double weight = row.weight * column.weight;
          const std::uint32_t p = source[static_cast<std::size_t>(row.source) * w0 + column.source];
          const double alpha = channel(p, 24) * weight;
          a += alpha;
          r += channel(p, 16) * alpha;
          g += channel(p, 8) * alpha;
          b += channel(p, 0) * alpha;
          area += weight;
        }
      }
      std::uint32_t pixel = 0;
      if (a > 0) {
        const auto round = [](double v) { return static_cast<std::uint32_t>(std::lround(v)); };
        pixel = round(a / area) << 24 | round(r / a) << 16 | round(g / a) << 8 | round(b / a);
      }
      out[static_cast<std::size_t>(y) * w + x] = pixel;
    }
  }
  *width = w;
  *height = h;
  return out;
}

std::vector<IconPixmap> iconPixmaps(const PixelImage& image) {
  std::vector<IconPixmap> out;
  if (image.pixelWidth() <= 0 || image.pixelHeight() <= 0 ||
      image.argb().size() != static_cast<std::size_t>(image.pixelWidth()) * image.pixelHeight()) {
    return out;
  }
  for (int side : kIconPixmapSizes) {
    IconPixmap& pixmap = out.emplace_back();
    const std::vector<std::uint32_t> pixels =
        scaledPixels(image, side, &pixmap.width, &pixmap.height);
    pixmap.bytes.reserve(pixels.size() * 4);
    for (std::uint32_t p : pixels) {
      for (int shift : {24, 16, 8, 0})
        pixmap.bytes.push_back(static_cast<std::uint8_t>(channel(p, shift)));
    }
  }
  return out;
}

int appendIconPixmaps(sd_bus_message* message, const std::vector<IconPixmap>& pixmaps) {
  int r = sd_bus_message_open_container(message, 'a', "(iiay)");
  if (r < 0) return r;
  for (const IconPixmap& pixmap : pixmaps) {
    r = sd_bus_message_open_container(message, 'r', "iiay");
    if (r < 0) return r;
    r = sd_bus_message_append(message, "ii", pixmap.width, pixmap.height);
    if (r < 0) return r;
    r = sd_bus_message_append_array(message, 'y', pixmap.bytes.data(), pixmap.bytes.size());
    if (r < 0) return r;
    r = sd_bus_message_close_container(message);
    if (r < 0) return r;
  }
  return sd_bus_message_close_container(message);
}

}  // namespace nvx::platform
