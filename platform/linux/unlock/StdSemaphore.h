#pragma once

#include <semaphore>

#include "platform/unlock/Semaphore.h"

namespace nvx {

// Semaphore on the standard library, for platforms without one of their own and for tests.
class StdSemaphore final : public Semaphore {
 public:
  void wait() override { count_.acquire(); }
  void signal() override { count_.release(); }

 private:
  std::counting_semaphore<> count_{0};
};

}  // namespace nvx
