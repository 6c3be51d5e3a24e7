#include "StatusMenuModel.h"

#include <utility>

#include "Text.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;

bool sameOptionalText(const std::optional<std::string_view>& a,
                      const std::optional<std::string_view>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || sameText(*a, *b);
}

// Pre-order walk over item lists with an explicit stack, so depth costs heap, not call stack.
class PreOrder {
 public:
  explicit PreOrder(const std::vector<Item>& items) { push(items); }

  // The next item in pre-order; null at the end.
  const Item* next() {
    while (!stack_.empty()) {
      auto& [list, index] = stack_.back();
      if (index == list->size()) {
        stack_.pop_back();
        continue;
      }
      const Item& item = (*list)[index++];
      if (item.children) push(*item.children);
      return &item;
    }
    return nullptr;
  }

 private:
  void push(const std::vector<Item>& items) {
    if (!items.empty()) stack_.emplace_back(&items, 0);
  }

  std::vector<std::pair<const std::vector<Item>*, std::size_t>> stack_;
};

void appendShape(const std::vector<Item>& items, Shape& out) {
  PreOrder walk(items);
  while (const Item* item = walk.next()) {
    out.push_back(item->id);
  }
}

}  // namespace

Shape Item::shape() const {
  Shape out{id};
  if (children) appendShape(*children, out);
  return out;
}

bool sameShape(const std::vector<Item>& a, const std::vector<Item>& b) {
  PreOrder left(a);
  PreOrder right(b);
  for (;;) {
    const Item* x = left.next();
    const Item* y = right.next();
    if (!x || !y) return x == y;
    if (!sameOptionalText(x->id, y->id)) return false;
  }
}

// Recursion depth is the nesting depth of `children`, which decoding bounds by the JSON
// parser's depth limit.
bool operator==(const Item& a, const Item& b) {
  return sameOptionalText(a.id, b.id) && sameOptionalText(a.text, b.text) &&
         sameOptionalText(a.detail, b.detail) && sameOptionalText(a.icon, b.icon) &&
         a.checked == b.checked && a.bold == b.bold && a.ready == b.ready &&
         a.children == b.children && a.disabled == b.disabled;
}

}  // namespace nvx
