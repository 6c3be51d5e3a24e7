#pragma once

#include <string_view>

#include "platform/SharePicker.h"
#include "platform/macos/ObjcRef.h"

namespace nvx::platform {

// NSSharingServicePicker, offering one text.
class MacSharePicker final : public SharePicker {
 public:
  // `view` is a MacStatusButton: the picker appears next to `rect` of its NSStatusBarButton.
  void show(std::string_view text, StatusButton& view, Rect rect, RectEdge edge) override;

 private:
  // The picker last shown, kept until the next one replaces it: AppKit does not say that a
  // shown picker keeps itself alive.
  ObjcRef picker_;
};

}  // namespace nvx::platform
