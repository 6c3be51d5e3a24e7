#include "HeadlessStatusItem.h"

#include <cassert>
#include <utility>

#include "HeadlessStatusBar.h"

namespace nvx::platform {

HeadlessStatusItem::HeadlessStatusItem(HeadlessStatusBar& bar, bool withButton) : bar_(bar) {
  if (withButton) button_ = bar_.createButton(*this);
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
