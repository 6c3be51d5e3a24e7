#include "MessageDecoder.h"

#include <utility>

#include "Protocol.h"
#include "StatusMenu/TextBlock.h"
#include "platform/streams/Utf8.h"

namespace nvx {
namespace {

namespace p = protocol;
using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;
using Item = StatusMenuModel::Item;

// New entries are copied from this one: value-initialising the aggregate would zero all of it
// first (with a string instruction slow to start), which costs more than copying its members.
const Item kBlank{};

// Each decoder returns false on the first failure; the caller then drops the whole message.
class Decoding {
 public:
  explicit Decoding(std::size_t lineSize) : lineSize_(lineSize) {}

  bool message(element e, Message& message) {
    object o;
    if (e.get_object().get(o) != simdjson::SUCCESS) return false;
    for (auto field : o) {
      const std::string_view key = field.key;
      bool ok = true;
      if (key == p::kMenu) {
        if (field.value.is_null()) {
          message.menu.reset();
        } else {
          ok = menu(field.value, message.menu.emplace());
        }
      } else if (key == p::kNotify) {
        if (field.value.is_null()) {
          message.notify.reset();
        } else {
          // Emplaced from a value: clang 14 takes Note, a nested type with member initialisers,
          // for not default-constructible here.
          ok = note(field.value, message.notify.emplace(Message::Note{}));
        }
      }
      if (!ok) return false;
    }
    return true;
  }

 private:
  bool text(element e, TextView& out) {
    std::string_view s;
    if (e.get_string().get(s) != simdjson::SUCCESS) return false;
    const auto kept = texts_->keep(s);
    if (!kept) return false;
    out = *kept;
    return true;
  }

  bool optionalText(element e, std::optional<TextView>& out) {
    if (e.is_null()) {
      out.reset();
      return true;
    }
    std::string_view s;
    if (e.get_string().get(s) != simdjson::SUCCESS) return false;
    out = texts_->keep(s);
    return out.has_value();
  }

  static bool optionalFlag(element e, std::optional<bool>& out) {
    if (e.is_null()) {
      out.reset();
      return true;
    }
    bool b = false;
    if (e.get_bool().get(b) != simdjson::SUCCESS) return false;
    out = b;
    return true;
  }

  static bool noteText(element e, std::string& out) {
    std::string_view s;
    if (e.get_string().get(s) != simdjson::SUCCESS) return false;
    out.assign(s);
    return true;
  }

  bool item(element e, Item& item) {
    object o;
    if (e.get_object().get(o) != simdjson::SUCCESS) return false;
    for (auto field : o) {
      const std::string_view key = field.key;
      bool ok = true;
      if (key == p::kId) {
        ok = optionalText(field.value, item.id);
      } else if (key == p::kText) {
        ok = optionalText(field.value, item.text);
      } else if (key == p::kDetail) {
        ok = optionalText(field.value, item.detail);
      } else if (key == p::kIcon) {
        ok = optionalText(field.value, item.icon);
      } else if (key == p::kChecked) {
        ok = optionalFlag(field.value, item.checked);
      } else if (key == p::kBold) {
        ok = optionalFlag(field.value, item.bold);
      } else if (key == p::kReady) {
        ok = optionalFlag(field.value, item.ready);
      } else if (key == p::kDisabled) {
        ok = optionalFlag(field.value, item.disabled);
      } else if (key == p::kChildren) {
        if (field.value.is_null()) {
          item.children.reset();
        } else {
          ok = items(field.value, item.children.emplace());
        }
      }
      if (!ok) return false;
    }
    return true;
  }

  // Recursion through `children` is bounded by the parser's depth limit.
  bool items(element e, std::vector<Item>& out) {
    array a;
    if (e.get_array().get(a) != simdjson::SUCCESS) return false;
    out.clear();
    out.reserve(a.size());
    for (element child : a) {
      if (!item(child, out.emplace_back(kBlank))) return false;
    }
    return true;
  }

  bool menu(element e, StatusMenuModel& menu) {
    object o;
    if (e.get_object().get(o) != simdjson::SUCCESS) return false;
    // Sized to the line, which a decoded string never outgrows: every escape is longer than
    // what it stands for. A menu key repeated starts a new block, so that the last one wins
    // with no stale texts.
    texts_.emplace(lineSize_);
    bool hasTitle = false, hasTooltip = false, hasItems = false;
    for (auto field : o) {
      const std::string_view key = field.key;
      bool ok = true;
      if (key == p::kTitle) {
        ok = hasTitle = text(field.value, menu.title);
      } else if (key == p::kTooltip) {
        ok = hasTooltip = text(field.value, menu.tooltip);
      } else if (key == p::kItems) {
        ok = hasItems = items(field.value, menu.items);
      } else if (key == p::kShareText) {
        ok = optionalText(field.value, menu.shareText);
      } else if (key == p::kIconStyle) {
        ok = optionalText(field.value, menu.iconStyle);
      }
      if (!ok) return false;
    }
    if (!hasTitle || !hasTooltip || !hasItems) return false;
    // Only now is every text of the menu a view into the block.
    menu.texts = std::move(*texts_).keptBy(menu);
    return true;
  }

  static bool note(element e, Message::Note& note) {
    object o;
    if (e.get_object().get(o) != simdjson::SUCCESS) return false;
    bool hasTitle = false, hasBody = false;
    for (auto field : o) {
      const std::string_view key = field.key;
      bool ok = true;
      if (key == p::kNoteTitle) {
        ok = hasTitle = noteText(field.value, note.title);
      } else if (key == p::kNoteBody) {
        ok = hasBody = noteText(field.value, note.body);
      }
      if (!ok) return false;
    }
    return hasTitle && hasBody;
  }

  std::size_t lineSize_;
  std::optional<TextBlock> texts_;
};

}  // namespace

MessageDecoder::MessageDecoder() = default;

std::optional<Message> MessageDecoder::decode(std::string_view line) {
  buffer_.clear();
  buffer_.reserve(line.size() + simdjson::SIMDJSON_PADDING);
  buffer_.append(line);
  element root;
  simdjson::error_code error = parser_.parse(buffer_).get(root);
  // The parser checks UTF-8 itself, so a valid line is read once, not twice. Repair replaces
  // only bytes >= 0x80, so it can neither cause nor cure any other error.
  if (error == simdjson::UTF8_ERROR) {
    buffer_.clear();
    appendRepairedUtf8(line, buffer_);
    buffer_.reserve(buffer_.size() + simdjson::SIMDJSON_PADDING);
    error = parser_.parse(buffer_).get(root);
  }
  if (error != simdjson::SUCCESS) return std::nullopt;

  Message message;
  if (!Decoding(buffer_.size()).message(root, message)) return std::nullopt;
  return message;
}

}  // namespace nvx
