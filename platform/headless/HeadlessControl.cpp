#include "HeadlessControl.h"

#include <string>

namespace nvx::platform {
namespace {

// The first entry, in pre-order, whose represented id is `id`.
HeadlessMenuItem* findEntry(const HeadlessMenu& menu, std::string_view id) {
  for (std::size_t i = 0; i < menu.itemCount(); ++i) {
    HeadlessMenuItem& entry = menu.headlessItem(i);
    if (entry.representedObject() == id) return &entry;
    if (HeadlessMenu* sub = entry.headlessSubmenu()) {
      if (HeadlessMenuItem* found = findEntry(*sub, id)) return found;
    }
  }
  return nullptr;
}

// A report is one line: line feeds and carriage returns in a text are written as \n and \r,
// and a backslash as two.
std::string report(std::string_view word, std::string_view text) {
  std::string line(word);
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (c == '\\') {
      line += "\\\\";
    } else {
      line.push_back(c);
    }
  }
  return line;
}

}  // namespace

HeadlessControl::HeadlessControl(HeadlessToolkit& ui, HeadlessNotificationCenter& notes,
                                 HeadlessHotKeys& hotKeys, Send send)
    : ui_(ui), notes_(notes), hotKeys_(hotKeys), send_(std::move(send)) {
  ui_.setObserver(this);
  notes_.setObserver(this);
}

HeadlessControl::~HeadlessControl() {
  ui_.setObserver(nullptr);
  notes_.setObserver(nullptr);
}

void HeadlessControl::command(std::string_view line) {
  if (line.starts_with(kClick)) {
    const std::string_view id = line.substr(kClick.size());
    for (HeadlessStatusItem* item : ui_.statusBar().items()) {
      if (!item->menu()) continue;
      if (HeadlessMenuItem* entry = findEntry(*item->menu(), id)) {
        entry->click();
        return;
      }
    }
  } else if (line == kHotKey) {
    hotKeys_.press();
  } else if (line == kNotification) {
    notes_.click();
  }
}

void HeadlessControl::menuOpened() {
  send_(kMenuOpen);
}

void HeadlessControl::menuClosed() {
  send_(kMenuClosed);
}

void HeadlessControl::shareShown(std::string_view text) {
  send_(report(kShare, text));
}

void HeadlessControl::notificationPosted(const NotificationRequest& request) {
  send_(report(kNotificationPosted, request.title + "|" + request.body));
}

}  // namespace nvx::platform
