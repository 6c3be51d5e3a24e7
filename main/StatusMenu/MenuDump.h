#pragma once

#include <string>

#include "platform/Menu.h"
#include "platform/StatusItem.h"

namespace nvx {

// The text form of a status item and the top-level entries of `menu`, read from the live
// platform objects: a header "bar: [orvel]" or "bar: [no image]" followed by the button's
// title, then one line per entry: "---" for a separator, else "(icon) " or "(NO ICON) ",
// "[x] " when checked, and the title with each tab shown as "  |  ". Lines are joined by
// line feeds, with none after the last.
std::string describeStatus(const platform::StatusItem& item, const platform::Menu& menu);

}  // namespace nvx
