#pragma once

#include <glib.h>
#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nvx::platform {

// Releases sd-bus's reference-counted handles.
struct SdBusFree {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, SdBusFree>;
// A match, an exported object or a pending call: unreferencing it removes it, and its callback
// never runs again.
using SlotPtr = std::unique_ptr<sd_bus_slot, SdBusFree>;

// Lets an sd-bus call that makes a handle write it straight into its holder, as C++23's
// std::out_ptr does: `sd_bus_message_new_signal(bus, OutPtr(signal), …)`. The holder takes
// the handle, or null when the call made none, as the call's full expression ends.
template <class Holder>
class OutPtr {
 public:
  explicit OutPtr(Holder& holder) : holder_(holder) {}
  ~OutPtr() { holder_.reset(made_); }
  OutPtr(const OutPtr&) = delete;
  OutPtr& operator=(const OutPtr&) = delete;
  operator typename Holder::pointer *() { return &made_; }

 private:
  Holder& holder_;
  typename Holder::pointer made_ = nullptr;
};

// A connection of the agent's own to a message bus, dispatched on GLib's default main context.
// Messages go out on the calling thread as they are sent: no worker thread, no copy. Main
// thread only.
//
// A bus that goes away leaves the connection closed, with the process running on. An error
// that will not clear on an open connection (a peer's message larger than sd-bus reads, say)
// ends that connection at once; a new one is opened after a delay that doubles each time, and
// every client sets itself up on it again. Meanwhile the clients' messages go nowhere, as
// when no bus answers.
class Bus {
 public:
  // What holds matches, objects or calls on the connection.
  class Client {
   public:
    // The connection was replaced: drop what was held on the old one, and set up again on
    // the new one, which get() now returns.
    virtual void reconnected() = 0;
    // What was queued when notifyWhenDrained was called has been written.
    virtual void drained() {}

   protected:
    ~Client() = default;
  };

  // A connection to the bus at `address`, registered with it (Hello) without waiting for its
  // answer; null when it cannot be opened. Nothing is autolaunched.
  static std::unique_ptr<Bus> open(const std::string& address);
  ~Bus();  // sends what is queued for a short while at most, then closes
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  // The current connection; never null, closed while none is open.
  sd_bus* get() const { return bus_; }
  // The connection's unique name on the bus. Waits for the bus to give one: tests only.
  const char* uniqueName() const;

  // `client` is told of reconnections until it is removed; it must be removed before it dies.
  void addClient(Client& client);
  void removeClient(Client& client);

  // Whether messages sent earlier still wait to be written, the bus reading none meanwhile.
  bool backlogged() const;
  // `client.drained()` runs once the messages waiting now have been written.
  void notifyWhenDrained(Client& client);

 private:
  struct Source;

  Bus(std::string address, sd_bus* bus);
  void attach();
  void fail();
  static gboolean onRetry(gpointer self);

  std::string address_;
  sd_bus* bus_;
  GSource* source_ = nullptr;
  std::vector<Client*> clients_;
  std::vector<Client*> waiting_;  // to be told when the write queue has drained
  guint retry_ = 0;
  int reconnections_ = 0;
};

// A match whose rule the bus may refuse (one at its limit of matches, say): the feature that
// needed it goes without, and the connection stays open. Null when it cannot even be sent.
SlotPtr addMatch(sd_bus* bus, const std::string& rule, sd_bus_message_handler_t callback,
                 void* userdata);
SlotPtr matchSignal(sd_bus* bus, const char* sender, const char* path, const char* interface,
                    const char* member, sd_bus_message_handler_t callback, void* userdata);

}  // namespace nvx::platform
