#pragma once

#include <memory>
#include <string>

#include "AttributedString.h"
#include "Geometry.h"
#include "Image.h"

namespace nvx::platform {

// Where a button's image sits relative to its title.
enum class ImagePosition {
  Leading,  // before the title
};

// The clickable part of a status item: an image, a title, a tooltip. Owned by its item.
class StatusButton {
 public:
  virtual ~StatusButton() = default;
  StatusButton() = default;
  StatusButton(const StatusButton&) = delete;
  StatusButton& operator=(const StatusButton&) = delete;

  // The image shown, shared with whoever else holds it; null when none.
  virtual std::shared_ptr<Image> image() const = 0;
  virtual void setImage(std::shared_ptr<Image> image) = 0;
  virtual void setImagePosition(ImagePosition position) = 0;

  // The plain characters of the title last set.
  virtual std::string title() const = 0;
  virtual void setAttributedTitle(AttributedString title) = 0;

  // What assistive technology reads for the button.
  virtual void setAccessibilityTitle(std::string title) = 0;
  virtual void setToolTip(std::string toolTip) = 0;

  // The button's own rectangle, in its own coordinates.
  virtual Rect bounds() const = 0;

  // Acts as a user's click: opens the status item's menu.
  virtual void performClick() = 0;
};

}  // namespace nvx::platform
