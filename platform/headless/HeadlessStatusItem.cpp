#include "HeadlessStatusItem.h"

#include <cassert>
#include <utility>

#include "HeadlessStatusBar.h"

namespace nvx::platform {

void HeadlessStatusButton::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  ++imageWrites_;
}

std::string HeadlessStatusButton::title() const {
  return attributedTitle_ ? attributedTitle_->string() : std::string();
}

void HeadlessStatusButton::setAttributedTitle(AttributedString title) {
  attributedTitle_ = std::move(title);
  ++titleWrites_;
}

void HeadlessStatusButton::performClick() {
  ++clicks_;
  if (item_.menu()) item_.menu()->open();
}

HeadlessStatusItem::HeadlessStatusItem(HeadlessStatusBar& bar, bool withButton) : bar_(bar) {
  if (withButton) button_ = std::make_unique<HeadlessStatusButton>(*this);
}

HeadlessStatusItem::~HeadlessStatusItem() {
  bar_.forget(this);
}

void HeadlessStatusItem::setMenu(Menu* menu) {
  auto* headless = dynamic_cast<HeadlessMenu*>(menu);
  assert((menu == nullptr || headless != nullptr) && "a menu of another platform");
  menu_ = headless;
}

}  // namespace nvx::platform
