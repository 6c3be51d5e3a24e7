#pragma once

namespace nvx {

// A counting semaphore that starts at zero: the main thread waits, the reply signals.
class Semaphore {
 public:
  virtual ~Semaphore() = default;

  // Blocks until a signal has arrived, without a time-out.
  virtual void wait() = 0;

  // Releases one waiter; callable from any thread.
  virtual void signal() = 0;
};

}  // namespace nvx
