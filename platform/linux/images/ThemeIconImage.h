#pragma once

#include <memory>
#include <string>

#include "platform/Image.h"

namespace nvx::platform {

// A symbol that a desktop host draws itself from its icon theme: the image is its icon name
// (published as dbusmenu's icon-name).
class ThemeIconImage final : public Image {
 public:
  // Natural size, as the menu's small icons are drawn.
  static constexpr Size kNaturalSize = {16, 16};

  explicit ThemeIconImage(std::string iconName) : iconName_(std::move(iconName)) {}

  Size size() const override { return size_; }
  void setSize(Size size) override { size_ = size; }
  bool isTemplate() const override { return template_; }
  void setTemplate(bool isTemplate) override { template_ = isTemplate; }
  std::shared_ptr<Image> copy() const override { return std::make_shared<ThemeIconImage>(*this); }
  // A plain copy: the host picks the size of the pixels it draws.
  std::shared_ptr<Image> withSymbolConfiguration(const SymbolConfiguration&) const override {
    return copy();
  }

  // The freedesktop icon name the theme has.
  const std::string& iconName() const { return iconName_; }

 private:
  std::string iconName_;
  Size size_ = kNaturalSize;
  bool template_ = false;
};

}  // namespace nvx::platform
