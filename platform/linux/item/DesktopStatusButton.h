#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/StatusButton.h"

namespace nvx::platform {

class DesktopStatusItem;
class StatusNotifierItem;

// The status item's button as tray hosts show it: the icon, the title beside it (where the
// host draws one), and the tooltip. Owned by its item.
class DesktopStatusButton final : public StatusButton {
 public:
  // Tray icons are drawn at about this size.
  static constexpr Rect kBounds = {0, 0, 22, 22};

  explicit DesktopStatusButton(DesktopStatusItem& item) : item_(item) {}

  std::shared_ptr<Image> image() const override { return image_; }
  void setImage(std::shared_ptr<Image> image) override;
  // Hosts place the icon and the label themselves.
  void setImagePosition(ImagePosition) override {}
  std::string title() const override;
  void setAttributedTitle(AttributedString title) override;
  void setAccessibilityTitle(std::string title) override;
  void setToolTip(std::string toolTip) override;
  Rect bounds() const override { return kBounds; }

  // An item cannot open its own menu: it asks hosts to (see DesktopStatusItem::showMenu).
  void performClick() override;

  // Hands everything shown to `item`, which sends only what changed: the icon (bitmaps
  // only), the title without the space that separates it from the icon as the label, and
  // the accessibility title followed by the title as the item's name.
  void publish(StatusNotifierItem& item) const;

 private:
  void changed();

  DesktopStatusItem& item_;
  std::shared_ptr<Image> image_;
  std::optional<AttributedString> title_;
  std::string accessibilityTitle_;
  std::string toolTip_;
};

}  // namespace nvx::platform
