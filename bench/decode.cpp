// Decoding throughput, three ways side by side on the same bytes:
//   1. what the agent does: LineFramer in read-sized blocks, MessageDecoder on every line;
//   2. simdjson's bare parse of every line, validation alone: the floor no decoder can beat;
//   3. nlohmann/json parse plus extraction into the same model: a typical C++ program.
// Contenders 2 and 3 get the line boundaries for free. Rounds are interleaved and the best
// round of each counts, which keeps the noise of a shared machine out of the ratios.
#include <simdjson.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MenuEntry.h"
#include "NlohmannDecoder.h"
#include "nvx-menubar/MessageDecoder.h"
#include "platform/streams/LineFramer.h"
#include "platform/streams/LineReader.h"

namespace {

using nvx::Message;
using Item = nvx::StatusMenuModel::Item;

// Per round and contender. The agent's lines come hot from a 64 KiB pipe read, so the stream
// is kept small enough to stay in cache; a larger one measures memory bandwidth instead.
constexpr std::size_t kStreamBytes = std::size_t{1} << 20;
constexpr int kRounds = 40;
// The two fast contenders run this many times a round: their rounds last about a millisecond,
// so a shared machine interrupts some of them, and more tries give each its clean best.
constexpr int kFastRepeats = 5;
constexpr double kMinVersusBare = 0.5;
constexpr double kMinVersusNlohmann = 5.0;

// Keeps the results alive, so that no work is optimised away.
volatile std::size_t sink = 0;

// One entry with a detail in non-ASCII; the flags come from menuEntry.
std::string entry(int i, std::string_view children) {
  return nvx::bench::menuEntry(i,
                               "\"id\":\"item:" + std::to_string(1000 + i) +
                                   "\",\"text\":\"Collection, part " + std::to_string(i) +
                                   "\",\"detail\":\"" + std::to_string(i % 40) + " min \xC2\xB7 " +
                                   std::to_string(i % 7) + " new\",\"icon\":\"rectangle.stack\"",
                               children);
}

// A menu message of `entries` top-level entries: a separator every eighth, one submenu.
std::string makeMessage(int entries) {
  std::string sub;
  for (int i = 0; i < 4; ++i)
    sub += (i ? "," : "") + entry(900 + i, "");
  std::string items;
  for (int i = 0; i < entries; ++i) {
    if (i) items += ',';
    items += i % 8 == 7 ? "{}" : entry(i, i == 2 ? sub : "");
  }
  return "{\"menu\":{\"title\":\"12\",\"tooltip\":\"Norvane: 12 new items\",\"iconStyle\":"
         "\"black\",\"shareText\":\"I recommend Norvane to you.\",\"items\":[" +
         items + "]}}";
}

// The message repeated as LF-terminated lines, padded so every line can be parsed in place.
struct Workload {
  std::string name;
  std::size_t messageBytes = 0;
  std::string padded;
  std::string_view stream;
  std::vector<std::string_view> lines;

  Workload(std::string label, const std::string& message)
      : name(std::move(label)), messageBytes(message.size()) {
    const std::size_t count = std::max<std::size_t>(1, kStreamBytes / (message.size() + 1));
    padded.reserve(count * (message.size() + 1) + simdjson::SIMDJSON_PADDING);
    for (std::size_t i = 0; i < count; ++i)
      padded.append(message).push_back('\n');
    const std::size_t streamBytes = padded.size();
    padded.append(simdjson::SIMDJSON_PADDING, ' ');
    stream = std::string_view(padded).substr(0, streamBytes);
    for (std::size_t at = 0; at < stream.size(); at += message.size() + 1) {
      lines.push_back(stream.substr(at, message.size()));
    }
  }
  Workload(const Workload&) = delete;  // the views point into `padded`
  Workload& operator=(const Workload&) = delete;
};

std::size_t digest(const std::optional<Message>& m) {
  return m && m->menu ? m->menu->items.size() + m->menu->title.size() : 0;
}

std::size_t frameAndDecode(const Workload& w, nvx::MessageDecoder& decoder) {
  nvx::LineFramer framer;
  std::size_t sum = 0;
  auto onLine = [&](std::string_view line) { sum += digest(decoder.decode(line)); };
  for (std::size_t at = 0; at < w.stream.size(); at += nvx::LineReader::kBlockSize) {
    framer.feed(w.stream.substr(at, nvx::LineReader::kBlockSize), onLine);
  }
  framer.finish(onLine);
  return sum;
}

std::size_t bareParse(const Workload& w, simdjson::dom::parser& parser) {
  std::size_t sum = 0;
  for (std::string_view line : w.lines) {
    simdjson::dom::element root;
    if (parser.parse(line.data(), line.size(), false).get(root) == simdjson::SUCCESS) {
      sum += root.is_object();
    }
  }
  return sum;
}

std::size_t nlohmannDecode(const Workload& w) {
  std::size_t sum = 0;
  for (std::string_view line : w.lines)
    sum += digest(nvx::bench::decodeWithNlohmann(line));
  return sum;
}

template <class Run>
double seconds(Run&& run) {
  const auto start = std::chrono::steady_clock::now();
  sink = sink + run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool sameMessage(const std::optional<Message>& a, const std::optional<Message>& b) {
  return a && b && a->menu && b->menu && !a->notify && !b->notify &&
         a->menu->title == b->menu->title && a->menu->tooltip == b->menu->tooltip &&
         a->menu->shareText == b->menu->shareText && a->menu->iconStyle == b->menu->iconStyle &&
         a->menu->items == b->menu->items;
}

void printRow(const char* what, const Workload& w, double best) {
  std::printf("  %-30s %12.0f %10.1f\n", what, static_cast<double>(w.lines.size()) / best,
              static_cast<double>(w.lines.size() * w.messageBytes) / best / 1e6);
}

bool printRatio(const char* what, double ratio, double target) {
  const bool pass = ratio >= target;
  std::printf("  %-30s %8.2f  (target >= %.2f)  %s\n", what, ratio, target, pass ? "PASS" : "FAIL");
  return pass;
}

// Runs the three contenders on one workload; true when both targets are met.
bool measure(const Workload& w) {
  nvx::MessageDecoder decoder;
  simdjson::dom::parser parser;
  // Both decoders must agree on the message, or the comparison means nothing.
  if (!sameMessage(decoder.decode(w.lines.front()),
                   nvx::bench::decodeWithNlohmann(w.lines.front()))) {
    std::printf("%s: the two decoders disagree on the message\n", w.name.c_str());
    return false;
  }

  double full = std::numeric_limits<double>::max(), bare = full, nlohmann = full;
  for (int round = 0; round < kRounds; ++round) {
    for (int repeat = 0; repeat < kFastRepeats; ++repeat) {
      full = std::min(full, seconds([&] { return frameAndDecode(w, decoder); }));
      bare = std::min(bare, seconds([&] { return bareParse(w, parser); }));
    }
    nlohmann = std::min(nlohmann, seconds([&] { return nlohmannDecode(w); }));
  }

  std::printf("%s: %zu bytes a message, %zu lines a round, best of %d rounds (nlohmann: %d)\n",
              w.name.c_str(), w.messageBytes, w.lines.size(), kRounds * kFastRepeats, kRounds);
  std::printf("  %-30s %12s %10s\n", "", "messages/s", "MB/s");
  printRow("framing + full decode", w, full);
  printRow("simdjson bare parse", w, bare);
  printRow("nlohmann parse + extraction", w, nlohmann);
  const bool a = printRatio("full decode / bare parse", bare / full, kMinVersusBare);
  const bool b = printRatio("full decode / nlohmann", nlohmann / full, kMinVersusNlohmann);
  return a && b;
}

}  // namespace

int main() {
  bool pass = true;
  pass &= measure(Workload("menu of 20 entries", makeMessage(20)));
  std::printf("\n");
  pass &= measure(Workload("menu of 200 entries", makeMessage(200)));
  std::printf("\n%s\n", pass ? "all targets met" : "some targets missed");
  return 0;
}
