#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Image.h"

namespace nvx::platform {

// An image in memory: a name standing for its pixels, a size, a template flag and, for
// symbols, the point size it is configured with. Not final: tests make copying fail.
class HeadlessImage : public Image {
 public:
  enum class Kind { Bitmap, Symbol };

  // An image called `name` (a resource or symbol name) with its natural `size`.
  explicit HeadlessImage(std::string name, Size size = {}, Kind kind = Kind::Bitmap);

  Size size() const override { return size_; }
  void setSize(Size size) override { size_ = size; }
  bool isTemplate() const override { return template_; }
  void setTemplate(bool isTemplate) override { template_ = isTemplate; }

  // A copy with the same name and settings.
  std::shared_ptr<Image> copy() const override;

  // A configured copy of a symbol; null for a bitmap, which takes no configuration.
  std::shared_ptr<Image> withSymbolConfiguration(
      const SymbolConfiguration& configuration) const override;

  // The resource or symbol name.
  const std::string& name() const { return name_; }

  // The point size of the configuration, when one was applied.
  std::optional<double> symbolPointSize() const { return pointSize_; }

 private:
  std::string name_;
  Size size_;
  Kind kind_;
  bool template_ = false;
  std::optional<double> pointSize_;
};

}  // namespace nvx::platform
