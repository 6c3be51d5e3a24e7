#include "MessageDecoder.h"

#include <utility>

#include "Protocol.h"
#include "Utf8.h"

namespace nvx {
namespace {

namespace p = protocol;
namespace od = simdjson::ondemand;
using simdjson::INCORRECT_TYPE;
using simdjson::SUCCESS;
using Item = StatusMenuModel::Item;

// Each decoder returns false on the first failure; the caller then drops the whole message.
// On-Demand validates only what is read, so every key is unescaped and every value is read in
// full, known or not. `depth` counts the arrays and objects open around a value; opening one
// more than MessageDecoder::kMaxDepth fails, as in the DOM parser.

// The end of a string's raw text, at its closing quote or at its first backslash.
const char* plainEnd(const char* raw) {
  while (*raw != '"' && *raw != '\\')
    ++raw;
  return raw;
}

// A string value's text. Most strings hold no escape: they are taken as they stand, since the
// parser's first pass has already checked their UTF-8 and control characters; only the others
// are unescaped (and so checked). INCORRECT_TYPE, untouched, for a value that is no string.
simdjson::error_code readString(od::value& v, std::string_view& out) {
  od::raw_json_string raw;
  if (const auto error = v.get_raw_json_string().get(raw); error != SUCCESS) return error;
  const char* end = plainEnd(raw.raw());
  if (*end == '\\') return v.get_string().get(out);
  out = std::string_view(raw.raw(), static_cast<std::size_t>(end - raw.raw()));
  return SUCCESS;
}

// A field's key, unescaped the same way ("m\u0065nu" is the key "menu").
simdjson::error_code readKey(od::field& field, std::string_view& out) {
  const od::raw_json_string raw = field.key();
  const char* end = plainEnd(raw.raw());
  if (*end == '\\') return field.unescaped_key().get(out);
  out = std::string_view(raw.raw(), static_cast<std::size_t>(end - raw.raw()));
  return SUCCESS;
}

bool deeper(std::size_t& depth) {
  return ++depth <= MessageDecoder::kMaxDepth;
}

// Reads any value strictly and throws it away.
bool skipValue(od::value& v, std::size_t depth) {
  od::json_type type;
  if (v.type().get(type) != SUCCESS) return false;
  switch (type) {
    case od::json_type::object: {
      od::object o;
      if (!deeper(depth) || v.get_object().get(o) != SUCCESS) return false;
      for (auto result : o) {
        std::string_view key;
        if (result.error() != SUCCESS || readKey(result.value_unsafe(), key) != SUCCESS ||
            !skipValue(result.value_unsafe().value(), depth)) {
          return false;
        }
      }
      return true;
    }
    case od::json_type::array: {
      od::array a;
      if (!deeper(depth) || v.get_array().get(a) != SUCCESS) return false;
      for (auto element : a) {
        if (element.error() != SUCCESS || !skipValue(element.value_unsafe(), depth)) return false;
      }
      return true;
    }
    case od::json_type::string: {
      std::string_view s;
      return readString(v, s) == SUCCESS;
    }
    case od::json_type::number: {
      // Same number grammar and range as the DOM parser: 1e999 and 21-digit integers fail.
      od::number n;
      return v.get_number().get(n) == SUCCESS;
    }
    case od::json_type::boolean: {
      bool b = false;
      return v.get_bool().get(b) == SUCCESS;
    }
    case od::json_type::null: {
      bool isNull = false;
      return v.is_null().get(isNull) == SUCCESS && isNull;
    }
  }
  return false;
}

// True when a value that is not of the wanted type is a valid null.
bool isNull(od::value& v, simdjson::error_code typeError) {
  bool null = false;
  return typeError == INCORRECT_TYPE && v.is_null().get(null) == SUCCESS && null;
}

bool decodeText(od::value& v, std::string& out) {
  std::string_view s;
  if (readString(v, s) != SUCCESS) return false;
  out.assign(s);
  return true;
}

bool decodeOptionalText(od::value& v, std::optional<std::string>& out) {
  std::string_view s;
  const simdjson::error_code error = readString(v, s);
  if (error == SUCCESS) {
    // Constructing in place is cheaper than assigning to an empty string; entries hold most texts.
    out.emplace(s);
    return true;
  }
  if (!isNull(v, error)) return false;
  out.reset();
  return true;
}

bool decodeOptionalFlag(od::value& v, std::optional<bool>& out) {
  bool b = false;
  const simdjson::error_code error = v.get_bool().get(b);
  if (error == SUCCESS) {
    out = b;
    return true;
  }
  if (!isNull(v, error)) return false;
  out.reset();
  return true;
}

bool decodeItems(od::value& v, std::vector<Item>& out, std::size_t depth);

bool decodeItem(od::value& v, Item& item, std::size_t depth) {
  od::object o;
  if (!deeper(depth) || v.get_object().get(o) != SUCCESS) return false;
  for (auto result : o) {
    std::string_view key;
    if (result.error() != SUCCESS || readKey(result.value_unsafe(), key) != SUCCESS) return false;
    od::value& value = result.value_unsafe().value();
    bool ok = true;
    if (key == p::kId) {
      ok = decodeOptionalText(value, item.id);
    } else if (key == p::kText) {
      ok = decodeOptionalText(value, item.text);
    } else if (key == p::kDetail) {
      ok = decodeOptionalText(value, item.detail);
    } else if (key == p::kIcon) {
      ok = decodeOptionalText(value, item.icon);
    } else if (key == p::kChecked) {
      ok = decodeOptionalFlag(value, item.checked);
    } else if (key == p::kBold) {
      ok = decodeOptionalFlag(value, item.bold);
    } else if (key == p::kReady) {
      ok = decodeOptionalFlag(value, item.ready);
    } else if (key == p::kDisabled) {
      ok = decodeOptionalFlag(value, item.disabled);
    } else if (key == p::kChildren) {
      bool null = false;
      if (value.is_null().get(null) != SUCCESS) return false;
      if (null) {
        item.children.reset();
      } else {
        ok = decodeItems(value, item.children.emplace(), depth);
      }
    } else {
      ok = skipValue(value, depth);
    }
    if (!ok) return false;
  }
  return true;
}

// Recursion through `children` is bounded by the depth limit.
bool decodeItems(od::value& v, std::vector<Item>& out, std::size_t depth) {
  od::array a;
  if (!deeper(depth) || v.get_array().get(a) != SUCCESS) return false;
  out.clear();
  for (auto element : a) {
    if (element.error() != SUCCESS) return false;
    // Built aside and moved in: emplace_back() would zero the whole entry before constructing it.
    Item item;
    if (!decodeItem(element.value_unsafe(), item, depth)) return false;
    out.push_back(std::move(item));
  }
  return true;
}

bool decodeMenu(od::value& v, StatusMenuModel& menu, std::size_t depth) {
  od::object o;
  if (!deeper(depth) || v.get_object().get(o) != SUCCESS) return false;
  bool hasTitle = false, hasTooltip = false, hasItems = false;
  for (auto result : o) {
    std::string_view key;
    if (result.error() != SUCCESS || readKey(result.value_unsafe(), key) != SUCCESS) return false;
    od::value& value = result.value_unsafe().value();
    bool ok = true;
    if (key == p::kTitle) {
      ok = hasTitle = decodeText(value, menu.title);
    } else if (key == p::kTooltip) {
      ok = hasTooltip = decodeText(value, menu.tooltip);
    } else if (key == p::kItems) {
      ok = hasItems = decodeItems(value, menu.items, depth);
    } else if (key == p::kShareText) {
      ok = decodeOptionalText(value, menu.shareText);
    } else if (key == p::kIconStyle) {
      ok = decodeOptionalText(value, menu.iconStyle);
    } else {
      ok = skipValue(value, depth);
    }
    if (!ok) return false;
  }
  return hasTitle && hasTooltip && hasItems;
}

bool decodeNote(od::value& v, Message::Note& note, std::size_t depth) {
  od::object o;
  if (!deeper(depth) || v.get_object().get(o) != SUCCESS) return false;
  bool hasTitle = false, hasBody = false;
  for (auto result : o) {
    std::string_view key;
    if (result.error() != SUCCESS || readKey(result.value_unsafe(), key) != SUCCESS) return false;
    od::value& value = result.value_unsafe().value();
    bool ok = true;
    if (key == p::kNoteTitle) {
      ok = hasTitle = decodeText(value, note.title);
    } else if (key == p::kNoteBody) {
      ok = hasBody = decodeText(value, note.body);
    } else {
      ok = skipValue(value, depth);
    }
    if (!ok) return false;
  }
  return hasTitle && hasBody;
}

bool decodeMessage(od::object o, Message& message) {
  const std::size_t depth = 1;  // the message object itself
  for (auto result : o) {
    std::string_view key;
    if (result.error() != SUCCESS || readKey(result.value_unsafe(), key) != SUCCESS) return false;
    od::value& value = result.value_unsafe().value();
    bool null = false;
    bool ok = true;
    if (key == p::kMenu) {
      if (value.is_null().get(null) != SUCCESS) return false;
      if (null) {
        message.menu.reset();
      } else {
        ok = decodeMenu(value, message.menu.emplace(), depth);
      }
    } else if (key == p::kNotify) {
      if (value.is_null().get(null) != SUCCESS) return false;
      if (null) {
        message.notify.reset();
      } else {
        ok = decodeNote(value, message.notify.emplace(), depth);
      }
    } else {
      ok = skipValue(value, depth);
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace

MessageDecoder::MessageDecoder() = default;

std::optional<Message> MessageDecoder::decode(std::string_view line) {
  buffer_.assign(line);
  // Spaces, not leftovers, after the line: reading past its last token then finds no token.
  buffer_.append(simdjson::SIMDJSON_PADDING, ' ');
  od::document document;
  simdjson::error_code error =
      parser_.iterate(buffer_.data(), line.size(), buffer_.size()).get(document);
  // The parser checks UTF-8 itself, so a valid line is read once, not twice. Repair replaces
  // only bytes >= 0x80, so it can neither cause nor cure any other error.
  if (error == simdjson::UTF8_ERROR) {
    buffer_.clear();
    appendRepairedUtf8(line, buffer_);
    const std::size_t size = buffer_.size();
    buffer_.append(simdjson::SIMDJSON_PADDING, ' ');
    error = parser_.iterate(buffer_.data(), size, buffer_.size()).get(document);
  }
  if (error != SUCCESS) return std::nullopt;

  od::object root;
  if (document.get_object().get(root) != SUCCESS) return std::nullopt;
  Message message;
  if (!decodeMessage(root, message)) return std::nullopt;
  // Nothing may follow the object: the iterator must stand exactly at the end of the tokens.
  if (document.current_location().error() != simdjson::OUT_OF_BOUNDS) return std::nullopt;
  return message;
}

}  // namespace nvx
