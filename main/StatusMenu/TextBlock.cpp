#include "TextBlock.h"

#include <cstring>
#include <utility>
#include <vector>

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;

// Calls f(TextView&) on every text of `menu`, walking the entries without recursion.
template <class F>
void forEachText(StatusMenuModel& menu, F&& f) {
  f(menu.title);
  f(menu.tooltip);
  for (auto* t : {&menu.shareText, &menu.iconStyle})
    if (*t) f(**t);
  std::vector<std::vector<Item>*> lists{&menu.items};
  while (!lists.empty()) {
    std::vector<Item>* list = lists.back();
    lists.pop_back();
    for (Item& item : *list) {
      for (auto* t : {&item.id, &item.text, &item.detail, &item.icon})
        if (*t) f(**t);
      if (item.children) lists.push_back(&*item.children);
    }
  }
}

}  // namespace

TextBlock::TextBlock(std::size_t capacity)
    : block_(std::make_shared_for_overwrite<char[]>(capacity)),
      next_(block_.get()),
      end_(next_ + capacity) {}

std::optional<std::string_view> TextBlock::keep(std::string_view s) {
  if (s.size() > static_cast<std::size_t>(end_ - next_)) return std::nullopt;
  std::memcpy(next_, s.data(), s.size());
  const std::string_view kept(next_, s.size());
  next_ += s.size();
  return kept;
}

std::shared_ptr<const char[]> TextBlock::keptBy(StatusMenuModel& menu) && {
  const char* begin = block_.get();
  const auto used = static_cast<std::size_t>(next_ - begin);
  const auto capacity = static_cast<std::size_t>(end_ - begin);
  if (capacity <= kShrinkAbove || used >= capacity / 2) return std::move(block_);
  auto fitted = std::make_shared_for_overwrite<char[]>(used);
  if (used > 0) std::memcpy(fitted.get(), begin, used);
  const char* to = fitted.get();
  forEachText(menu, [&](TextView& t) { t = TextView(to + (t.data() - begin), t.size()); });
  return fitted;
}

}  // namespace nvx
