#include "Thread.h"

#include <exception>
#include <memory>
#include <system_error>
#include <utility>

namespace nvx {
namespace {

void* runBody(void* arg) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return nullptr;
}

}  // namespace

Thread::Thread(std::size_t stackBytes, std::function<void()> body) {
  auto boxed = std::make_unique<std::function<void()>>(std::move(body));
  pthread_attr_t attr;
  int err = pthread_attr_init(&attr);
  if (err == 0) {
    err = pthread_attr_setstacksize(&attr, stackBytes);
    if (err == 0) err = pthread_create(&handle_, &attr, &runBody, boxed.get());
    pthread_attr_destroy(&attr);
  }
  if (err != 0) throw std::system_error(err, std::generic_category(), "pthread_create");
  boxed.release();  // the thread owns it now
  started_ = true;
}

Thread::~Thread() {
  if (started_) std::terminate();
}

Thread::Thread(Thread&& other) noexcept
    : handle_(other.handle_), started_(std::exchange(other.started_, false)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (started_) std::terminate();
  handle_ = other.handle_;
  started_ = std::exchange(other.started_, false);
  return *this;
}

bool Thread::isCurrent() const {
  return started_ && pthread_equal(handle_, pthread_self());
}

void Thread::join() {
  if (!started_) return;
  started_ = false;
  pthread_join(handle_, nullptr);
}

void Thread::detach() {
  if (!started_) return;
  started_ = false;
  pthread_detach(handle_);
}

}  // namespace nvx
