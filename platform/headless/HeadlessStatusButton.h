#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/StatusButton.h"

namespace nvx::platform {

class HeadlessStatusItem;

// A status button in memory: every property as shown. Not final: tests count its writes.
class HeadlessStatusButton : public StatusButton {
 public:
  // Bounds of every headless button: one icon's width, the bar's height.
  static constexpr Rect kBounds = {0, 0, 24, 22};

  explicit HeadlessStatusButton(HeadlessStatusItem& item) : item_(item) {}

  std::shared_ptr<Image> image() const override { return image_; }
  void setImage(std::shared_ptr<Image> image) override { image_ = std::move(image); }
  void setImagePosition(ImagePosition position) override { imagePosition_ = position; }
  std::string title() const override;
  void setAttributedTitle(AttributedString title) override { attributedTitle_ = std::move(title); }
  void setAccessibilityTitle(std::string title) override { accessibilityTitle_ = std::move(title); }
  void setToolTip(std::string toolTip) override { toolTip_ = std::move(toolTip); }
  Rect bounds() const override { return kBounds; }

  // Opens the item's menu, when it has one.
  void performClick() override;

  std::optional<ImagePosition> imagePosition() const { return imagePosition_; }
  const std::optional<AttributedString>& attributedTitle() const { return attributedTitle_; }
  const std::optional<std::string>& accessibilityTitle() const { return accessibilityTitle_; }
  const std::optional<std::string>& toolTip() const { return toolTip_; }

 private:
  HeadlessStatusItem& item_;
  std::shared_ptr<Image> image_;
  std::optional<ImagePosition> imagePosition_;
  std::optional<AttributedString> attributedTitle_;
  std::optional<std::string> accessibilityTitle_;
  std::optional<std::string> toolTip_;
};

}  // namespace nvx::platform
