#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nvx {

// The identity skeleton of a subtree: the pre-order list of its entries' ids, a separator
// contributing an absent element. The views point into the items it was taken from.
using Shape = std::vector<std::optional<std::string_view>>;

// True when both shapes have the same length and agree element by element (texts by
// canonical equivalence; absent equals only absent).
bool sameShape(const Shape& a, const Shape& b);

// One complete menu description. A plain value: decoded, copied and compared, never edited.
struct StatusMenuModel {
  // One menu entry; every field is optional. No id makes a separator; `children` present,
  // even empty, makes a submenu. Absent text differs from empty text, and flags keep three
  // states (absent counts as false wherever a flag is read).
  struct Item {
    std::optional<std::string> id{};
    std::optional<std::string> text{};
    std::optional<std::string> detail{};
    std::optional<std::string> icon{};
    std::optional<bool> checked{};
    std::optional<bool> bold{};
    std::optional<bool> ready{};
    std::optional<std::vector<Item>> children{};
    std::optional<bool> disabled{};

    // Pre-order ids of this item and all its descendants.
    Shape shape() const;

    // Field by field in declared order; texts by canonical equivalence, children recursively.
    friend bool operator==(const Item& a, const Item& b);
  };

  std::string title{};
  std::string tooltip{};
  std::vector<Item> items{};
  std::optional<std::string> shareText{};
  std::optional<std::string> iconStyle{};
};

// Concatenated shapes of the items, in list order.
Shape shapeOf(const std::vector<StatusMenuModel::Item>& items);

// sameShape(shapeOf(a), shapeOf(b)), walking both lists side by side without building shapes.
bool sameShape(const std::vector<StatusMenuModel::Item>& a,
               const std::vector<StatusMenuModel::Item>& b);

}  // namespace nvx
