#include "DesktopStatusButton.h"

#include <utility>

#include "DesktopStatusItem.h"
#include "platform/linux/images/PixelImage.h"

namespace nvx::platform {

void DesktopStatusButton::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  changed();
}

std::string DesktopStatusButton::title() const {
  return title_ ? title_->string() : std::string();
}

void DesktopStatusButton::setAttributedTitle(AttributedString title) {
  title_ = std::move(title);
  changed();
}

void DesktopStatusButton::setAccessibilityTitle(std::string title) {
  accessibilityTitle_ = std::move(title);
  changed();
}

void DesktopStatusButton::setToolTip(std::string toolTip) {
  toolTip_ = std::move(toolTip);
  changed();
}

void DesktopStatusButton::performClick() {
  item_.showMenu();
}

void DesktopStatusButton::changed() {
  if (StatusNotifierItem* exported = item_.notifierItem()) publish(*exported);
}

void DesktopStatusButton::publish(StatusNotifierItem& item) const {
  const std::string shown = title();
  item.setTitle(accessibilityTitle_ + shown);
  // Hosts put their own space between the icon and the label.
  const std::size_t start = shown.find_first_not_of(' ');
  item.setLabel(start == std::string::npos ? std::string_view()
                                           : std::string_view(shown).substr(start));
  item.setToolTip(toolTip_);
  // A template image is drawn in the menu bar's colour: a symbolic icon is, in the panel's.
  item.setIcon(std::dynamic_pointer_cast<const PixelImage>(image_), image_ && image_->isTemplate());
}

}  // namespace nvx::platform
