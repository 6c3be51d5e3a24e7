#include "MenuDump.h"

#include <string_view>

#include "StatusMenu.h"

namespace nvx {
namespace {

constexpr std::string_view kHeader = "bar: [";
constexpr std::string_view kNoImage = "no image";
constexpr std::string_view kHeaderEnd = "]";
constexpr std::string_view kSeparator = "---";
constexpr std::string_view kIconMark = "(icon) ";
constexpr std::string_view kNoIconMark = "(NO ICON) ";
constexpr std::string_view kCheckMark = "[x] ";
constexpr std::string_view kTabShown = "  |  ";

void appendTabsShown(std::string_view text, std::string& out) {
  for (char c : text) {
    if (c == '\t') {
      out.append(kTabShown);
    } else {
      out.push_back(c);
    }
  }
}

void appendEntry(const platform::MenuItem& entry, std::string& out) {
  if (entry.isSeparator()) {
    out.append(kSeparator);
    return;
  }
  const platform::AttributedString* title = entry.attributedTitle();
  // A title without characters has no first character to carry an icon: it gets "(NO ICON) ".
  const bool icon = title && title->length() > 0 && title->containsAttachmentIn({0, 1});
  out.append(icon ? kIconMark : kNoIconMark);
  if (entry.state() == platform::ControlState::On) out.append(kCheckMark);
  if (title) {
    appendTabsShown(title->string(), out);
  } else {
    out.append(entry.title());
  }
}

}  // namespace

std::string describeStatus(const platform::StatusItem& item, const platform::Menu& menu) {
  std::string out(kHeader);
  const platform::StatusButton* button = item.button();
  out.append(button && button->image() ? StatusMenu::kIconName : kNoImage);
  out.append(kHeaderEnd);
  if (button) out.append(button->title());
  for (std::size_t i = 0; i < menu.itemCount(); ++i) {
    out.push_back('\n');
    appendEntry(menu.item(i), out);
  }
  return out;
}

}  // namespace nvx
