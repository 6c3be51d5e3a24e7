// Time per menu entry of StatusMenu::update on the in-memory platform, the refresh path and
// the rebuild path side by side, for menus of 20, 200 and 2,000 top-level entries.
//
// Targets: per-entry cost at 2,000 entries at most 1.5 times that at 20 (linear growth), and
// a refresh cheaper than a rebuild of the same menu. Exits with 1 when a target is missed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "StatusMenu/StatusMenu.h"
#include "platform/headless/HeadlessToolkit.h"

namespace {

using nvx::StatusMenu;
using nvx::StatusMenuModel;
using nvx::TextView;
using Item = StatusMenuModel::Item;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kSizes[] = {20, 200, 2000};
constexpr std::size_t kEntriesPerRound = 100000;
constexpr int kRounds = 7;
constexpr double kMaxGrowth = 1.5;

// `n` top-level entries with texts, details and icons; every fourth opens a submenu of three,
// every tenth is a separator. `prefix` sets the ids (a new prefix forces a rebuild) and
// `version` only the texts (a new version alone is a refresh).
StatusMenuModel makeMenu(std::size_t n, const std::string& prefix, int version) {
  StatusMenuModel model{"3", "Norvane", {}, std::nullopt, std::nullopt};
  auto texts = std::make_shared<std::deque<std::string>>();
  model.texts = texts;
  auto keep = [&texts](std::string s) -> TextView { return texts->emplace_back(std::move(s)); };
  model.items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    Item item;
    if (i % 10 == 9) {
      model.items.push_back(item);
      continue;
    }
    const std::string number = std::to_string(i);
    item.id = keep(prefix + number);
    item.text = keep("Item " + number + " v" + std::to_string(version));
    item.detail = keep(std::to_string(i * 7 % 100 + version) + " new");
    item.icon = i % 2 ? "star" : "book";
    item.checked = i % 3 == 0;
    item.bold = i % 5 == 0;
    item.ready = (i + version) % 2 == 0;
    if (i % 4 == 0) {
      item.children.emplace();
      for (int c = 0; c < 3; ++c) {
        Item child;
        child.id = keep(std::string(*item.id) + "." + std::to_string(c));
        child.text = keep("Part " + std::to_string(c) + " v" + std::to_string(version));
        child.detail = keep(std::to_string(c + version));
        item.children->push_back(child);
      }
    }
    model.items.push_back(std::move(item));
  }
  return model;
}

std::size_t entryCount(const std::vector<Item>& items) {
  std::size_t n = 0;
  for (const Item& item : items)
    n += 1 + (item.children ? entryCount(*item.children) : 0);
  return n;
}

// Nanoseconds per entry over one round of updates alternating between `a` and `b`.
double nanosPerEntry(StatusMenu& status, const StatusMenuModel& a, const StatusMenuModel& b) {
  const std::size_t entries = entryCount(a.items);
  const std::size_t updates = std::max<std::size_t>(2, kEntriesPerRound / entries);
  const auto start = Clock::now();
  for (std::size_t u = 0; u < updates; ++u)
    status.update(u % 2 ? b : a);
  const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
  return elapsed.count() / static_cast<double>(updates * entries);
}

struct Path {
  const char* name;
  StatusMenuModel a, b;
  nvx::platform::HeadlessToolkit platform;
  std::unique_ptr<StatusMenu> status;
  double best = std::numeric_limits<double>::infinity();
};

}  // namespace

int main() {
  struct Row {
    std::size_t size;
    Path refresh, rebuild;
  };
  std::vector<std::unique_ptr<Row>> rows;
  for (std::size_t n : kSizes) {
    auto row = std::make_unique<Row>();
    row->size = n;
    row->refresh.name = "refresh";
    row->refresh.a = makeMenu(n, "e", 1);
    row->refresh.b = makeMenu(n, "e", 2);
    row->rebuild.name = "rebuild";
    row->rebuild.a = makeMenu(n, "e", 1);
    row->rebuild.b = makeMenu(n, "f", 2);
    for (Path* path : {&row->refresh, &row->rebuild}) {
      auto image = std::make_shared<nvx::platform::HeadlessImage>("orvel");
      path->status = std::make_unique<StatusMenu>(
          image, [](std::string_view) {}, path->platform);
      path->status->update(path->a);  // the first update always builds
      path->status->update(path->b);
    }
    rows.push_back(std::move(row));
  }

  // Rounds interleave every configuration, so that load from elsewhere hits them alike.
  for (int round = 0; round < kRounds; ++round) {
    for (auto& row : rows) {
      for (Path* path : {&row->refresh, &row->rebuild}) {
        path->best = std::min(path->best, nanosPerEntry(*path->status, path->a, path->b));
      }
    }
  }

  std::printf("StatusMenu::update, in-memory platform, best of %d rounds, ns per entry\n", kRounds);
  std::printf("%8s %8s %12s %12s %16s\n", "top", "entries", "refresh", "rebuild",
              "refresh/rebuild");
  bool met = true;
  for (const auto& row : rows) {
    const double ratio = row->refresh.best / row->rebuild.best;
    met = met && ratio < 1;
    std::printf("%8zu %8zu %12.1f %12.1f %16.2f\n", row->size, entryCount(row->refresh.a.items),
                row->refresh.best, row->rebuild.best, ratio);
  }
  const Row& small = *rows.front();
  const Row& large = *rows.back();
  const double refreshGrowth = large.refresh.best / small.refresh.best;
  const double rebuildGrowth = large.rebuild.best / small.rebuild.best;
  met = met && refreshGrowth <= kMaxGrowth && rebuildGrowth <= kMaxGrowth;
  std::printf("per-entry cost at %zu / at %zu: refresh %.2f, rebuild %.2f (target <= %.1f)\n",
              large.size, small.size, refreshGrowth, rebuildGrowth, kMaxGrowth);
  std::printf("targets %s\n", met ? "met" : "MISSED");
  return met ? 0 : 1;
}
