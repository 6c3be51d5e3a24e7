#include "StatusMenuModel.h"

#include <utility>

#include "Text.h"

namespace nvx {
namespace {

using Item = StatusMenuModel::Item;

std::optional<std::string_view> view(const std::optional<std::string>& s) {
  if (!s) return std::nullopt;
  return std::string_view(*s);
}

bool sameOptionalText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || sameText(*a, *b);
}

// Pre-order walk with an explicit stack, so depth costs heap, not call stack.
void appendShape(const Item& root, Shape& out) {
  out.push_back(view(root.id));
  std::vector<std::pair<const std::vector<Item>*, std::size_t>> stack;
  if (root.children) stack.emplace_back(&*root.children, 0);
  while (!stack.empty()) {
    auto& [list, next] = stack.back();
    if (next == list->size()) {
      stack.pop_back();
      continue;
    }
    const Item& child = (*list)[next++];
    out.push_back(view(child.id));
    if (child.children) stack.emplace_back(&*child.children, 0);
  }
}

}  // namespace

bool sameShape(const Shape& a, const Shape& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].has_value() != b[i].has_value()) return false;
    if (a[i] && !sameText(*a[i], *b[i])) return false;
  }
  return true;
}

Shape Item::shape() const {
  Shape out;
  appendShape(*this, out);
  return out;
}

Shape shapeOf(const std::vector<Item>& items) {
  Shape out;
  for (const Item& item : items)
    appendShape(item, out);
  return out;
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
