#pragma once

#include <memory>
#include <string>

#include "platform/StatusButton.h"
#include "platform/macos/ObjcRef.h"

#ifdef __OBJC__
@class NSStatusBarButton;
#endif

namespace nvx::platform {

// A status item's NSStatusBarButton. It keeps the Image last set, so that image() gives back
// the very object the core installed.
class MacStatusButton final : public StatusButton {
 public:
#ifdef __OBJC__
  explicit MacStatusButton(NSStatusBarButton* button);
  NSStatusBarButton* nsButton() const { return button_.as<NSStatusBarButton>(); }
#endif

  std::shared_ptr<Image> image() const override { return image_; }
  void setImage(std::shared_ptr<Image> image) override;
  void setImagePosition(ImagePosition position) override;
  std::string title() const override;
  void setAttributedTitle(AttributedString title) override;
  void setAccessibilityTitle(std::string title) override;
  void setToolTip(std::string toolTip) override;
  Rect bounds() const override;
  void performClick() override;

 private:
  ObjcRef button_;
  std::shared_ptr<Image> image_;
};

}  // namespace nvx::platform
