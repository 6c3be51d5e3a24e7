#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace nvx::platform {

// A bitmap in memory with its pixels, as a desktop host wants them (StatusNotifierItem icons).
class PixelImage final : public Image {
 public:
  // Pixels as 0xAARRGGBB, row by row from the top; `width` * `height` of them.
  PixelImage(int width, int height, std::vector<std::uint32_t> argb);

  // The PNG file at `path`; null when it is missing or not a readable PNG.
  static std::shared_ptr<PixelImage> fromPng(const std::string& path);

  Size size() const override { return size_; }
  void setSize(Size size) override { size_ = size; }
  bool isTemplate() const override { return template_; }
  void setTemplate(bool isTemplate) override { template_ = isTemplate; }
  // The copy shares the pixels, which no one changes.
  std::shared_ptr<Image> copy() const override { return std::make_shared<PixelImage>(*this); }
  // A bitmap takes no symbol configuration.
  std::shared_ptr<Image> withSymbolConfiguration(const SymbolConfiguration&) const override {
    return nullptr;
  }

  // The file the pixels came from; empty for an image made in memory.
  const std::string& path() const { return path_; }

  int pixelWidth() const { return width_; }
  int pixelHeight() const { return height_; }
  const std::vector<std::uint32_t>& argb() const { return *argb_; }

 private:
  int width_;
  int height_;
  std::shared_ptr<const std::vector<std::uint32_t>> argb_;
  std::string path_;
  Size size_;
  bool template_ = false;
};

}  // namespace nvx::platform
