#include "HeadlessApplication.h"

namespace nvx::platform {

void HeadlessApplication::run() {
  if (delegate_) {
    delegate_->applicationDidFinishLaunching();
    record("launched");
  }
  while (!terminated_) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !tasks_.empty(); });
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
  }
}

std::size_t HeadlessApplication::runQueued() {
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard lock(mutex_);
    tasks.swap(tasks_);
  }
  for (auto& task : tasks)
    task();
  return tasks.size();
}

void HeadlessApplication::post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

std::unique_ptr<RunningApplication> HeadlessApplication::runningApplication(int pid) {
  record("runningApplication " + std::to_string(pid));
  if (!options_.parentIsApplication) return nullptr;
  return std::make_unique<RunningApplication>();
}

}  // namespace nvx::platform
