#include "TabStop.h"

#include <cmath>
#include <optional>
#include <string_view>

namespace nvx {
namespace {

// The running maximum moves only for a strictly larger width, starting from the first one.
void keepWidest(std::optional<double>& widest, double width) {
  if (!widest || width > *widest) widest = width;
}

std::string_view orEmpty(const std::optional<std::string_view>& s) {
  return s.value_or(std::string_view());
}

}  // namespace

double tabStop(const std::vector<StatusMenuModel::Item>& items, const platform::Fonts& fonts) {
  using platform::FontRole;
  std::optional<double> textWidth;
  std::optional<double> detailWidth;
  for (const auto& item : items) {
    if (item.detail && !item.detail->empty()) {
      const FontRole font = item.bold.value_or(false) ? FontRole::BoldSystem : FontRole::Menu;
      keepWidest(textWidth, fonts.width(orEmpty(item.text), font));
    }
    keepWidest(detailWidth, fonts.width(orEmpty(item.detail), FontRole::Menu));
  }
  return std::ceil((textWidth.value_or(0) + kTabGap) + detailWidth.value_or(0));
}

}  // namespace nvx
