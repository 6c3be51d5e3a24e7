#include "NlohmannDecoder.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "nvx-menubar/Protocol.h"
#include "platform/streams/Utf8.h"

namespace nvx::bench {
namespace {

namespace p = protocol;
using nlohmann::json;
using Item = StatusMenuModel::Item;

// Menu texts view the document's strings (the model keeps the document); note texts are copies.
template <class Text>
bool getText(const json& o, std::string_view key, Text& out) {
  const auto it = o.find(key);
  if (it == o.end() || !it->is_string()) return false;
  out = Text(it->get_ref<const std::string&>());
  return true;
}

bool getOptionalText(const json& o, std::string_view key, std::optional<TextView>& out) {
  const auto it = o.find(key);
  if (it == o.end() || it->is_null()) return true;
  if (!it->is_string()) return false;
  out = it->get_ref<const std::string&>();
  return true;
}

bool getOptionalFlag(const json& o, std::string_view key, std::optional<bool>& out) {
  const auto it = o.find(key);
  if (it == o.end() || it->is_null()) return true;
  if (!it->is_boolean()) return false;
  out = it->get<bool>();
  return true;
}

bool getItems(const json& a, std::vector<Item>& out);

bool getItem(const json& o, Item& item) {
  if (!o.is_object()) return false;
  if (!getOptionalText(o, p::kId, item.id) || !getOptionalText(o, p::kText, item.text) ||
      !getOptionalText(o, p::kDetail, item.detail) || !getOptionalText(o, p::kIcon, item.icon) ||
      !getOptionalFlag(o, p::kChecked, item.checked) || !getOptionalFlag(o, p::kBold, item.bold) ||
      !getOptionalFlag(o, p::kReady, item.ready) ||
      !getOptionalFlag(o, p::kDisabled, item.disabled)) {
    return false;
  }
  const auto children = o.find(p::kChildren);
  if (children == o.end() || children->is_null()) return true;
  return getItems(*children, item.children.emplace());
}

bool getItems(const json& a, std::vector<Item>& out) {
  if (!a.is_array()) return false;
  out.reserve(a.size());
  for (const json& element : a) {
    if (!getItem(element, out.emplace_back())) return false;
  }
  return true;
}

bool getMenu(const json& o, StatusMenuModel& menu) {
  if (!o.is_object()) return false;
  const auto items = o.find(p::kItems);
  return getText(o, p::kTitle, menu.title) && getText(o, p::kTooltip, menu.tooltip) &&
         items != o.end() && getItems(*items, menu.items) &&
         getOptionalText(o, p::kShareText, menu.shareText) &&
         getOptionalText(o, p::kIconStyle, menu.iconStyle);
}

bool getNote(const json& o, Message::Note& note) {
  return o.is_object() && getText(o, p::kNoteTitle, note.title) &&
         getText(o, p::kNoteBody, note.body);
}

json parse(std::string_view line) {
  return json::parse(line.data(), line.data() + line.size(), nullptr, /*allow_exceptions=*/false);
}

}  // namespace

std::optional<Message> decodeWithNlohmann(std::string_view line) {
  auto document = std::make_shared<json>(parse(line));
  json& root = *document;
  if (root.is_discarded()) {
    // nlohmann rejects invalid UTF-8 where the protocol repairs it: repair and try once more.
    std::string repaired;
    appendRepairedUtf8(line, repaired);
    root = parse(repaired);
  }
  if (!root.is_object()) return std::nullopt;

  Message message;
  const auto menu = root.find(p::kMenu);
  if (menu != root.end() && !menu->is_null()) {
    if (!getMenu(*menu, message.menu.emplace())) return std::nullopt;
    message.menu->texts = document;
  }
  const auto notify = root.find(p::kNotify);
  if (notify != root.end() && !notify->is_null() && !getNote(*notify, message.notify.emplace())) {
    return std::nullopt;
  }
  return message;
}

}  // namespace nvx::bench
