#include "HeadlessApplication.h"

namespace nvx::platform {
namespace {

class HeadlessRunningApplication final : public RunningApplication {};

}  // namespace

HeadlessApplication::HeadlessApplication(Options options) : options_(std::move(options)) {}

void HeadlessApplication::setDelegate(ApplicationDelegate* delegate) {
  record("setDelegate");
  delegate_ = delegate;
}

void HeadlessApplication::setActivationPolicyAccessory() {
  record("accessory");
}

void HeadlessApplication::run() {
  record("run");
  if (delegate_) {
    delegate_->applicationDidFinishLaunching();
    record("launched");
  }
  while (!terminated_) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return !tasks_.empty(); });
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
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

void HeadlessApplication::terminate() {
  record("terminate");
  terminated_ = true;
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
  return std::make_unique<HeadlessRunningApplication>();
}

void HeadlessApplication::yieldActivation(const RunningApplication&) {
  record("yield");
}

std::shared_ptr<Image> HeadlessApplication::bundleImage(std::string_view name) {
  record("bundleImage " + std::string(name));
  return options_.bundleImage;
}

void HeadlessApplication::registerBundle() {
  record("registerBundle");
}

}  // namespace nvx::platform
