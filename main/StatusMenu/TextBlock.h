#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "StatusMenuModel.h"

namespace nvx {

// The texts of one menu model, copied one after another into a single block that the model
// keeps (`StatusMenuModel::texts`). Sized by the caller to an upper bound of what it will keep.
class TextBlock {
 public:
  explicit TextBlock(std::size_t capacity);

  // A view of a copy of `s`, or nothing when it would not fit.
  std::optional<std::string_view> keep(std::string_view s);

  // The block, to be kept by `menu`, whose texts all view it. A block mostly empty (the bound
  // was far too high) would stay that large for as long as the menu is shown: then the texts
  // move to a block of their own size.
  std::shared_ptr<const char[]> keptBy(StatusMenuModel& menu) &&;

 private:
  static constexpr std::size_t kShrinkAbove = std::size_t{64} << 10;

  std::shared_ptr<char[]> block_;
  char* next_;
  char* end_;
};

}  // namespace nvx
