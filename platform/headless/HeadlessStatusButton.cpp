#include "HeadlessStatusButton.h"

#include "HeadlessStatusItem.h"

namespace nvx::platform {

std::string HeadlessStatusButton::title() const {
  return attributedTitle_ ? attributedTitle_->string() : std::string();
}

void HeadlessStatusButton::performClick() {
  if (item_.menu()) item_.menu()->open();
}

}  // namespace nvx::platform
