#include "PixelImage.h"

#include <png.h>

#include <bit>

namespace nvx::platform {
namespace {

// Large enough for any icon, small enough that a hostile file cannot exhaust memory.
constexpr png_uint_32 kMaxSide = 1024;

}  // namespace

PixelImage::PixelImage(int width, int height, std::vector<std::uint32_t> argb)
    : width_(width),
      height_(height),
      argb_(std::make_shared<const std::vector<std::uint32_t>>(std::move(argb))),
      size_{static_cast<double>(width), static_cast<double>(height)} {}

std::shared_ptr<PixelImage> PixelImage::fromPng(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return nullptr;
  if (png.width == 0 || png.height == 0 || png.width > kMaxSide || png.height > kMaxSide) {
    png_image_free(&png);
    return nullptr;
  }
  // BGRA bytes in memory are 0xAARRGGBB words on a little-endian machine, ARGB on a big one.
  png.format = PNG_FORMAT_BGRA;
  if constexpr (std::endian::native == std::endian::big) png.format = PNG_FORMAT_ARGB;
  std::vector<std::uint32_t> pixels(std::size_t{png.width} * png.height);
  if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    return nullptr;
  }
  auto image = std::make_shared<PixelImage>(static_cast<int>(png.width),
                                            static_cast<int>(png.height), std::move(pixels));
  image->path_ = path;
  return image;
}

}  // namespace nvx::platform
