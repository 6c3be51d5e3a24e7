#pragma once

#include "StatusMenuModel.h"
#include "platform/MenuItem.h"
#include "platform/Toolkit.h"

namespace nvx {

// Bounds of an entry's icon: 18 × 16 points, two points below the baseline.
inline constexpr platform::Rect kIconBounds = {0, -2, 18, 16};

// Gives `entry` the look of `item`: represented object (the id, or none), state (on only
// when checked) and a new attributed title of up to three segments: icon (U+FFFC and two
// spaces), text, and a tab with the detail, right-aligned at `tab` points. Leaves the plain
// title, target, action, enabled state and submenu alone.
void style(platform::MenuItem& entry, const StatusMenuModel::Item& item, double tab,
           platform::Toolkit& toolkit);

}  // namespace nvx
