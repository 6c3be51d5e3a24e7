#pragma once

#include <memory>

#include "platform/Image.h"
#include "platform/macos/ObjcRef.h"

#ifdef __OBJC__
@class NSImage;
#endif

namespace nvx::platform {

// An NSImage. Settings change the NSImage itself, so every view showing it follows them.
class MacImage final : public Image {
 public:
  MacImage(const MacImage&) = delete;
  MacImage& operator=(const MacImage&) = delete;

  Size size() const override;
  void setSize(Size size) override;
  bool isTemplate() const override;
  void setTemplate(bool isTemplate) override;
  std::shared_ptr<Image> copy() const override;
  std::shared_ptr<Image> withSymbolConfiguration(
      const SymbolConfiguration& configuration) const override;

#ifdef __OBJC__
  // Wraps `image`; null for nil.
  static std::shared_ptr<MacImage> wrap(NSImage* image);

  NSImage* nsImage() const { return image_.as<NSImage>(); }

  // The NSImage of `image` when it is one of ours; nil otherwise.
  static NSImage* nsImageOf(const Image* image);

 private:
  explicit MacImage(NSImage* image);
#endif

 private:
  ObjcRef image_;
};

}  // namespace nvx::platform
