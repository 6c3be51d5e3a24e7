#include "BusNameWatch.h"

namespace nvx::platform {

struct BusNameWatch::State {
  std::string owner;
  std::function<void()> onChange;
};

BusNameWatch::BusNameWatch(GDBusConnection* bus, const char* name, std::function<void()> onChange)
    : state_(new State{{}, std::move(onChange)}) {
  auto appeared = [](GDBusConnection*, const gchar*, const gchar* owner, gpointer data) {
    auto* state = static_cast<State*>(data);
    state->owner = owner;
    if (state->onChange) state->onChange();
  };
  auto vanished = [](GDBusConnection*, const gchar*, gpointer data) {
    auto* state = static_cast<State*>(data);
    state->owner.clear();
    if (state->onChange) state->onChange();
  };
  auto drop = [](gpointer data) { delete static_cast<State*>(data); };
  watch_ = g_bus_watch_name_on_connection(bus, name, G_BUS_NAME_WATCHER_FLAGS_NONE, appeared,
                                          vanished, state_, drop);
}

BusNameWatch::~BusNameWatch() {
  // A callback already queued may still run after the unwatch: it must not reach the owner.
  state_->onChange = nullptr;
  g_bus_unwatch_name(watch_);
}

const std::string& BusNameWatch::owner() const {
  return state_->owner;
}

bool BusNameWatch::isOwner(const char* sender) const {
  return sender && !state_->owner.empty() && state_->owner == sender;
}

}  // namespace nvx::platform
