// Bytes as the agent reads them on standard input, through line framing and message decoding,
// with the menu model's walks run on every decoded menu. Invariants trap, so that a broken one
// is reported like a crash.
#include <simdjson.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "StatusMenu/StatusMenuModel.h"
#include "nvx-menubar/MessageDecoder.h"
#include "platform/streams/LineFramer.h"
#include "platform/streams/Utf8.h"

namespace {

using nvx::Message;
using nvx::Shape;
using Item = nvx::StatusMenuModel::Item;
using Lines = std::vector<std::string>;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// What framing must yield: split at LF, drop one CR before each LF, keep a last unterminated
// piece. Inputs stay far below the framer's line limit, so no line is skipped here.
Lines referenceLines(std::string_view in) {
  Lines lines;
  while (!in.empty()) {
    const std::size_t lf = in.find('\n');
    if (lf == std::string_view::npos) {
      lines.emplace_back(in);
      break;
    }
    std::string_view line = in.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    in.remove_prefix(lf + 1);
  }
  return lines;
}

// Block sizes drawn from a generator seeded with a hash of the input: every input gets its
// own split, and the same split again when it is replayed. Mostly short blocks, so that
// lines, CR LF pairs and UTF-8 sequences straddle block ends; now and then empty or long ones.
class Splitter {
 public:
  explicit Splitter(std::string_view in) {
    for (unsigned char c : in)
      state_ = (state_ ^ c) * 0x100000001b3u;  // FNV-1a
    state_ |= 1;
  }

  std::size_t next() {
    state_ ^= state_ << 13;  // xorshift64
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    switch (state_ % 8) {
      case 0:
        return 0;
      case 1:
        return 1 + (state_ >> 8) % 4096;
      default:
        return 1 + (state_ >> 8) % 16;
    }
  }

 private:
  std::uint64_t state_ = 0xcbf29ce484222325u;
};

Lines frame(std::string_view in, bool split) {
  nvx::LineFramer framer;
  Lines lines;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  if (split) {
    Splitter splitter(in);
    while (!in.empty()) {
      const std::string_view block = in.substr(0, splitter.next());
      in.remove_prefix(block.size());
      framer.feed(block, collect);
    }
  } else {
    framer.feed(in, collect);
  }
  framer.finish(collect);
  return lines;
}

// Byte-for-byte equality, stricter than the model's own (canonical equivalence).
bool identical(const Item& a, const Item& b) {
  if (a.id != b.id || a.text != b.text || a.detail != b.detail || a.icon != b.icon ||
      a.checked != b.checked || a.bold != b.bold || a.ready != b.ready ||
      a.disabled != b.disabled || a.children.has_value() != b.children.has_value()) {
    return false;
  }
  if (!a.children) return true;
  if (a.children->size() != b.children->size()) return false;
  for (std::size_t i = 0; i < a.children->size(); ++i) {
    if (!identical((*a.children)[i], (*b.children)[i])) return false;
  }
  return true;
}

bool identical(const std::optional<Message>& a, const std::optional<Message>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  if (a->notify.has_value() != b->notify.has_value() || a->menu.has_value() != b->menu.has_value())
    return false;
  if (a->notify && (a->notify->title != b->notify->title || a->notify->body != b->notify->body))
    return false;
  if (!a->menu) return true;
  const auto &m = *a->menu, &n = *b->menu;
  if (m.title != n.title || m.tooltip != n.tooltip || m.shareText != n.shareText ||
      m.iconStyle != n.iconStyle || m.items.size() != n.items.size())
    return false;
  for (std::size_t i = 0; i < m.items.size(); ++i) {
    if (!identical(m.items[i], n.items[i])) return false;
  }
  return true;
}

bool validUtf8(std::string_view s) {
  return simdjson::validate_utf8(s.data(), s.size());
}
bool validUtf8OrAbsent(const std::optional<nvx::TextView>& s) {
  return !s || validUtf8(*s);
}

// Checks what decoding promises of every item of a subtree; returns the number of entries.
std::size_t checkSubtree(const Item& item, std::size_t depth) {
  check(depth <= nvx::MessageDecoder::kMaxDepth);
  check(validUtf8OrAbsent(item.id) && validUtf8OrAbsent(item.text) &&
        validUtf8OrAbsent(item.detail) && validUtf8OrAbsent(item.icon));
  std::size_t count = 1;
  if (item.children) {
    for (const Item& child : *item.children)
      count += checkSubtree(child, depth + 1);
  }
  return count;
}

void checkItem(const Item& item, std::size_t entries) {
  const Shape shape = item.shape();
  check(shape.size() == entries);
  check(shape.front() == item.id);

  const Item copy = item;
  check(item == item && copy == item && identical(copy, item));
  check(copy.shape() == shape);

  // Another text leaves the shape alone but breaks equality.
  Item retexted = item;
  const std::string longer = item.text ? std::string(*item.text) + "x" : "x";
  retexted.text = longer;
  check(!(retexted == item) && retexted.shape() == shape);

  // Another id changes both.
  Item renamed = item;
  if (item.id) {
    renamed.id.reset();
  } else {
    renamed.id = "x";
  }
  check(!(renamed == item) && renamed.shape() != shape);
}

void checkMessage(const Message& message) {
  if (message.notify) {
    check(validUtf8(message.notify->title) && validUtf8(message.notify->body));
  }
  if (!message.menu) return;
  const auto& menu = *message.menu;
  check(validUtf8(menu.title) && validUtf8(menu.tooltip) && validUtf8OrAbsent(menu.shareText) &&
        validUtf8OrAbsent(menu.iconStyle));

  for (const Item& item : menu.items)
    checkItem(item, checkSubtree(item, 1));

  // A copy of the list has its shape; another id anywhere breaks it.
  const std::vector<Item> copy = menu.items;
  check(nvx::sameShape(copy, menu.items));
  if (!copy.empty()) {
    std::vector<Item> renamed = copy;
    renamed.back().id = renamed.back().id ? std::nullopt : std::optional<nvx::TextView>("x");
    check(!nvx::sameShape(renamed, menu.items));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);

  const Lines lines = frame(in, true);
  check(lines == frame(in, false));
  check(lines == referenceLines(in));

  // The long-lived decoder, as the reader thread keeps it, and a fresh one per input: state
  // kept between lines must never change a result.
  static nvx::MessageDecoder decoder;
  nvx::MessageDecoder fresh;
  for (const std::string& line : lines) {
    const std::optional<Message> message = decoder.decode(line);
    check(identical(message, fresh.decode(line)));
    // Repairing the UTF-8 first must change nothing: the decoder does the same.
    std::string repaired;
    nvx::appendRepairedUtf8(line, repaired);
    check(identical(message, fresh.decode(repaired)));
    if (message) checkMessage(*message);
  }
  return 0;
}
