#pragma once

#include <vector>

#include "StatusMenuModel.h"
#include "platform/Fonts.h"

namespace nvx {

// Gap in points between the widest measured main text and the widest detail.
inline constexpr double kTabGap = 32;

// Location in points of the one right-aligned tab stop that ends the details of `items`:
// widest main text among the items with a non-empty detail (bold ones in the bold font),
// plus the gap, plus the widest detail, rounded up to a whole point. At least kTabGap.
// Entries inside `children` are not measured.
double tabStop(const std::vector<StatusMenuModel::Item>& items, const platform::Fonts& fonts);

}  // namespace nvx
