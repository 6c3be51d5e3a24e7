#include "HeadlessSession.h"

#include <glib-unix.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace nvx::platform {

// Forwards to the in-memory centre and reports each posted notification.
class HeadlessSession::Notifications final : public NotificationCenter {
 public:
  explicit Notifications(HeadlessSession& session) : session_(session) {}
  void setDelegate(NotificationDelegate* delegate) override { center_.setDelegate(delegate); }
  void requestAuthorization(unsigned options, std::function<void(bool)> reply) override {
    center_.requestAuthorization(options, std::move(reply));
  }
  void add(NotificationRequest request) override {
    session_.report("notification " + request.title + "|" + request.body);
    center_.add(std::move(request));
  }
  void click() { center_.click(); }

 private:
  HeadlessSession& session_;
  HeadlessNotificationCenter center_;
};

// Forwards to the in-memory picker and reports what was to be shared.
class HeadlessSession::Shares final : public SharePicker {
 public:
  explicit Shares(HeadlessSession& session) : session_(session) {}
  void show(std::string_view text, StatusButton& view, Rect rect, RectEdge edge) override {
    session_.report("share " + std::string(text));
    session_.ui_.sharePicker().show(text, view, rect, edge);
  }

 private:
  HeadlessSession& session_;
};

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

}  // namespace

HeadlessSession::HeadlessSession(GlibApplication& application, int controlFd)
    : application_(application),
      notifications_(std::make_unique<Notifications>(*this)),
      shares_(std::make_unique<Shares>(*this)),
      controlFd_(controlFd) {
  if (controlFd_ >= 0) {
    controlWatch_ = g_unix_fd_add(controlFd_, G_IO_IN, &HeadlessSession::onControl, this);
  }
}

HeadlessSession::~HeadlessSession() {
  if (controlWatch_) g_source_remove(controlWatch_);
}

SharePicker& HeadlessSession::sharePicker() {
  return *shares_;
}
NotificationCenter& HeadlessSession::notifications() {
  return *notifications_;
}

std::unique_ptr<Menu> HeadlessSession::createMenu() {
  auto menu = ui_.createMenu();
  watchMenu(*menu);
  return menu;
}

std::unique_ptr<MenuItem> HeadlessSession::createMenuItem(std::string_view title,
                                                          MenuAction action) {
  return ui_.createMenuItem(title, action);
}

std::unique_ptr<MenuItem> HeadlessSession::createSeparatorItem() {
  return ui_.createSeparatorItem();
}

void HeadlessSession::watchMenu(Menu& menu) {
  if (controlFd_ < 0) return;
  auto& headless = static_cast<HeadlessMenu&>(menu);
  headless.setWillOpen([this] { report("menu open"); });
  headless.setDidClose([this] { report("menu closed"); });
}

gboolean HeadlessSession::onControl(gint fd, GIOCondition, gpointer data) {
  auto* self = static_cast<HeadlessSession*>(data);
  char buf[4096];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n <= 0) {
    self->controlWatch_ = 0;
    return G_SOURCE_REMOVE;
  }
  self->pending_.append(buf, static_cast<std::size_t>(n));
  std::size_t lf;
  while ((lf = self->pending_.find('\n')) != std::string::npos) {
    const std::string line = self->pending_.substr(0, lf);
    self->pending_.erase(0, lf + 1);
    self->command(line);
  }
  return G_SOURCE_CONTINUE;
}

void HeadlessSession::command(std::string_view line) {
  static constexpr std::string_view kClick = "click ";
  if (line.starts_with(kClick)) {
    const std::string_view id = line.substr(kClick.size());
    for (HeadlessStatusItem* item : ui_.statusBar().items()) {
      if (!item->menu()) continue;
      if (HeadlessMenuItem* entry = findEntry(*item->menu(), id)) {
        entry->click();
        return;
      }
    }
  } else if (line == "hotkey") {
    hotKeys_.press();
  } else if (line == "notification") {
    notifications_->click();
  }
}

void HeadlessSession::report(std::string_view line) {
  if (controlFd_ < 0) return;
  std::string out(line);
  out.push_back('\n');
  std::string_view rest = out;
  while (!rest.empty()) {
    const ssize_t n = send(controlFd_, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the controller has gone
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace nvx::platform
