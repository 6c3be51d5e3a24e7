#pragma once

#include <pthread.h>

#include <cstddef>
#include <functional>

namespace nvx {

// A thread with a stack of a chosen size. std::thread takes the system's default for new
// threads, which is 512 KiB on macOS (8 MiB on Linux). Joined or detached like std::thread.
class Thread {
 public:
  Thread() = default;
  // Starts `body` on a new thread whose stack has `stackBytes`; throws std::system_error when
  // the system refuses, as std::thread does.
  Thread(std::size_t stackBytes, std::function<void()> body);
  // Ends the process when still joinable, as std::thread does.
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;

  bool joinable() const { return started_; }
  // Whether the caller runs on this thread.
  bool isCurrent() const;
  void join();
  void detach();

 private:
  pthread_t handle_{};
  bool started_ = false;
};

}  // namespace nvx
