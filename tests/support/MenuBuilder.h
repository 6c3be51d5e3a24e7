#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "RecordingToolkit.h"
#include "StatusMenu/StatusMenu.h"

namespace nvx::test {

using Item = StatusMenuModel::Item;

// Texts of hand-built models, kept for the whole test program.
inline TextView keep(std::string s) {
  static std::deque<std::string> kept;
  return kept.emplace_back(std::move(s));
}

// A chained builder for menu entries: entry("a").text("A").detail("3").checked().
struct ItemBuilder {
  Item item;
  ItemBuilder& text(std::string s) { return item.text = keep(std::move(s)), *this; }
  ItemBuilder& detail(std::string s) { return item.detail = keep(std::move(s)), *this; }
  ItemBuilder& icon(std::string s) { return item.icon = keep(std::move(s)), *this; }
  ItemBuilder& checked(bool on = true) { return item.checked = on, *this; }
  ItemBuilder& bold(bool on = true) { return item.bold = on, *this; }
  ItemBuilder& ready(bool on = true) { return item.ready = on, *this; }
  ItemBuilder& disabled(bool on = true) { return item.disabled = on, *this; }
  ItemBuilder& children(std::vector<Item> c) { return item.children = std::move(c), *this; }
  operator Item() const { return item; }  // NOLINT: implicit by design, for list literals
};

inline ItemBuilder entry(std::string id) {
  ItemBuilder b;
  b.item.id = keep(std::move(id));
  return b;
}

inline ItemBuilder separator() {
  return {};
}

// A StatusMenu on the in-memory platform, with the ids it reported; `onChosen` runs after each.
struct Harness {
  explicit Harness(platform::HeadlessOptions options = {}, bool withImage = true)
      : platform(std::move(options)),
        appImage(withImage
                     ? std::make_shared<platform::FallibleImage>("orvel", platform::Size{32, 32})
                     : nullptr),
        status(std::make_unique<StatusMenu>(
            appImage,
            [this](std::string_view id) {
              actions.emplace_back(id);
              if (onChosen) onChosen(id);
            },
            platform)) {}

  // A menu of `items`, titled `title`, with the tooltip "tip".
  void update(std::vector<Item> items, std::string title = "") {
    status->update({keep(std::move(title)), "tip", std::move(items)});
  }
  platform::HeadlessStatusItem& item() { return *platform.statusBar().items().back(); }
  auto* button() { return static_cast<platform::RecordingStatusButton*>(item().headlessButton()); }
  auto& menu() { return static_cast<platform::RecordingMenu&>(*item().menu()); }
  platform::HeadlessMenuItem& entryAt(std::size_t i) { return menu().headlessItem(i); }

  platform::RecordingToolkit platform;
  std::shared_ptr<platform::FallibleImage> appImage;
  std::vector<std::string> actions;
  std::function<void(std::string_view)> onChosen;
  std::unique_ptr<StatusMenu> status;
};

}  // namespace nvx::test
