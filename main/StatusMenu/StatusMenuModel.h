#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nvx {

// The identity skeleton of a subtree: the pre-order list of its entries' ids, a separator
// contributing an absent element. The views are those of the items it was taken from.
using Shape = std::vector<std::optional<std::string_view>>;

// A text of a model: a view of bytes the model keeps, or of a literal. It cannot be made from a
// temporary string, which would leave it pointing at freed memory.
struct TextView : std::string_view {
  using std::string_view::basic_string_view;
  TextView(std::string_view s) : std::string_view(s) {}    // NOLINT: a view is a view
  TextView(const std::string& s) : std::string_view(s) {}  // NOLINT: a string kept elsewhere
  TextView(std::string&&) = delete;
};

// One complete menu description. A plain value: decoded, copied and compared, never edited.
//
// Its texts are views, into `texts` when it owns them: a decoded message keeps all of them in
// one block, so that decoding costs one allocation and not one per text. A model built by hand
// may view literals, or bytes that outlive it.
struct StatusMenuModel {
  // One menu entry; every field is optional. No id makes a separator; `children` present,
  // even empty, makes a submenu. Absent text differs from empty text, and flags keep three
  // states (absent counts as false wherever a flag is read).
  struct Item {
    std::optional<TextView> id{};
    std::optional<TextView> text{};
    std::optional<TextView> detail{};
    std::optional<TextView> icon{};
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

  TextView title{};
  TextView tooltip{};
  std::vector<Item> items{};
  std::optional<TextView> shareText{};
  std::optional<TextView> iconStyle{};
  // Keeps the bytes the texts view alive, shared by every copy; never written through.
  std::shared_ptr<const void> texts{};
};

// True when the lists' shapes (their items' shapes one after the other) have the same length
// and agree element by element: ids by canonical equivalence, absent equal only to absent.
// Walks both lists side by side without building shapes.
bool sameShape(const std::vector<StatusMenuModel::Item>& a,
               const std::vector<StatusMenuModel::Item>& b);

}  // namespace nvx
