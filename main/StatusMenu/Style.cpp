#include "Style.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace nvx {
namespace {

using platform::AttributedString;
using platform::ColorRole;
using platform::FontRole;

// Spaces between the icon and the text.
constexpr std::string_view kIconGap = "  ";

// The icon segment, or nothing when `name` has no symbol or the symbol takes no configuration.
std::optional<AttributedString> iconSegment(std::string_view name, FontRole font,
                                            platform::Toolkit& toolkit) {
  const auto symbol = toolkit.symbolImages().symbolImage(name, name);
  if (!symbol) return std::nullopt;
  const double pointSize = toolkit.fonts().systemFontSize();
  auto image = symbol->withSymbolConfiguration({pointSize});
  if (!image) return std::nullopt;
  auto segment = AttributedString::withAttachment(
      {std::move(image), std::string(name), pointSize, kIconBounds});
  segment.append(kIconGap, {font});
  return segment;
}

}  // namespace

void style(platform::MenuItem& entry, const StatusMenuModel::Item& item, double tab,
           platform::Toolkit& toolkit) {
  entry.setRepresentedObject(item.id);
  entry.setState(item.checked.value_or(false) ? platform::ControlState::On
                                              : platform::ControlState::Off);
  const FontRole font = item.bold.value_or(false) ? FontRole::BoldSystem : FontRole::Menu;

  // The icon segment goes before the text; building it first equals inserting it at 0.
  std::optional<AttributedString> icon;
  if (item.icon) icon = iconSegment(*item.icon, font, toolkit);
  AttributedString title = icon ? std::move(*icon) : AttributedString();
  const std::string_view text = item.text.value_or(std::string_view());
  const std::string_view detail = item.detail.value_or(std::string_view());
  title.reserve(title.string().size() + text.size() + 1 + detail.size());
  title.append(text, {font});
  if (!detail.empty()) {
    const ColorRole colour =
        item.ready.value_or(false) ? ColorRole::SystemGreen : ColorRole::SecondaryLabel;
    title.append("\t", {FontRole::Menu, colour});
    title.append(detail, {FontRole::Menu, colour});
    platform::ParagraphStyle paragraph{
        {platform::TextTab{platform::TextTab::Alignment::Right, tab}}};
    title.addAttribute(std::move(paragraph), {0, title.length()});
  }
  entry.setAttributedTitle(std::move(title));
}

}  // namespace nvx
