#include "MessageDecoder.h"

#include <cstring>
#include <memory>
#include <utility>

#include "Protocol.h"
#include "Utf8.h"

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

// Copies the texts of one menu, one after another, into a single block the model keeps.
// Sized to the line, which a decoded string never outgrows: every escape is longer than what
// it stands for.
class Texts {
 public:
  explicit Texts(std::size_t capacity)
      : block_(std::make_shared_for_overwrite<char[]>(capacity)),
        next_(block_.get()),
        end_(next_ + capacity) {}

  // A view of a copy of `s`, or nothing when it would not fit (which valid JSON rules out).
  std::optional<std::string_view> keep(std::string_view s) {
    if (s.size() > static_cast<std::size_t>(end_ - next_)) return std::nullopt;
    std::memcpy(next_, s.data(), s.size());
    const std::string_view kept(next_, s.size());
    next_ += s.size();
    return kept;
  }

  // The block, to be kept by `menu`. A line that is mostly something else (a long note, unknown
  // keys) would leave a large block mostly empty for as long as the menu is shown: then the
  // texts move to a block of their own size.
  std::shared_ptr<const char[]> keptBy(StatusMenuModel& menu) && {
    const char* begin = block_.get();
    const auto used = static_cast<std::size_t>(next_ - begin);
    const auto capacity = static_cast<std::size_t>(end_ - begin);
    if (capacity <= kShrinkAbove || used >= capacity / 2) return std::move(block_);
    auto fitted = std::make_shared_for_overwrite<char[]>(used);
    if (used > 0) std::memcpy(fitted.get(), begin, used);
    const char* to = fitted.get();
    forEachText(menu, [&](TextView& t) { t = TextView(to + (t.data() - begin), t.size()); });
    return fitted;
  }

 private:
  static constexpr std::size_t kShrinkAbove = std::size_t{64} << 10;

  // Calls f(TextView&) on every text of `menu`, walking the entries without recursion.
  template <class F>
  static void forEachText(StatusMenuModel& menu, F&& f) {
    f(menu.title);
    f(menu.tooltip);
    for (auto* t : {&menu.shareText, &menu.iconStyle})
      if (*t) f(**t);
    std::vector<std::vector<Item>*> lists{&menu.items};
    while (!lists.empty()) {
      std::vector<Item>* list = lists.back();
      lists.pop_back();
      for (Item& item : *list) {
        for (auto* t : {&item.id, &item.text, &item.detail, &item.icon})
          if (*t) f(**t);
        if (item.children) lists.push_back(&*item.children);
      }
    }
  }

  std::shared_ptr<char[]> block_;
  char* next_;
  char* end_;
};

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
    // A menu key repeated starts a new block, so that the last one wins with no stale texts.
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
  std::optional<Texts> texts_;
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
