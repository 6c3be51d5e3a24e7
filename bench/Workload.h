#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "MenuEntry.h"

namespace nvx::bench {

constexpr int kEntries = 20;
constexpr std::size_t kCycle = 1000;  // distinct messages a stream repeats

enum class Kind { Refresh, Rebuild };

// Symbols the agent's session knows, so that every entry gets its icon drawn.
constexpr std::array<std::string_view, 4> kIcons = {"book", "star", "clock", "flame"};

// One entry with an icon and a detail in non-ASCII; the flags come from menuEntry.
// `version` moves the counts in the text and detail.
inline std::string entry(int i, std::size_t version, std::string_view id,
                         std::string_view children) {
  const std::size_t n = version + static_cast<std::size_t>(i);
  return menuEntry(i,
                   "\"id\":\"" + std::string(id) + "\",\"text\":\"Collection, part " +
                       std::to_string(i) + " (" + std::to_string(n % 97) + ")\",\"detail\":\"" +
                       std::to_string(n % 40) + " min \xC2\xB7 " + std::to_string(n % 7) +
                       " new\",\"icon\":\"" + std::string(kIcons[static_cast<std::size_t>(i) % 4]) +
                       "\"",
                   children);
}

inline std::string itemId(int i) {
  return "item:" + std::to_string(1000 + i);
}

// A 20-entry menu message: a separator every eighth entry, one submenu of four.
inline std::string makeMessage(Kind kind, std::size_t version) {
  std::string sub;
  for (int i = 0; i < 4; ++i)
    sub += (i ? "," : "") + entry(900 + i, version, itemId(900 + i), "");
  std::string items;
  for (int i = 0; i < kEntries; ++i) {
    if (i) items += ',';
    std::string id = itemId(i);
    if (i == 0 && kind == Kind::Rebuild) id += "." + std::to_string(version);
    items += i % 8 == 7 ? "{}" : entry(i, version, id, i == 2 ? sub : "");
  }
  return "{\"menu\":{\"title\":\"" + std::to_string(version % 50) +
         "\",\"tooltip\":\"Norvane: new items\",\"iconStyle\":\"black\",\"shareText\":\"I "
         "recommend Norvane to you.\",\"items\":[" +
         items + "]}}\n";
}

// An endless stream of messages, kCycle distinct ones repeated; neighbours always differ.
struct Workload {
  const char* name;
  std::string cycle;
  std::vector<std::size_t> ends;  // offset just past each message's LF

  Workload(const char* label, Kind kind) : name(label) {
    for (std::size_t v = 0; v < kCycle; ++v) {
      cycle += makeMessage(kind, v);
      ends.push_back(cycle.size());
    }
  }

  double averageBytes() const { return static_cast<double>(cycle.size()) / kCycle; }

  // Hands messages [from, from + count) of the stream to sink(std::string_view) in pieces of
  // whole messages, each at most one cycle long.
  template <class Sink>
  void emit(std::size_t from, std::size_t count, Sink&& sink) const {
    while (count > 0) {
      const std::size_t first = from % kCycle;
      const std::size_t n = std::min(count, kCycle - first);
      const std::size_t begin = first ? ends[first - 1] : 0;
      sink(std::string_view(cycle).substr(begin, ends[first + n - 1] - begin));
      from += n;
      count -= n;
    }
  }
};

}  // namespace nvx::bench
