#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Application.h"

namespace nvx::platform {

// The application in memory: a task queue that run() drains on the calling thread until
// terminate(). It records, in order, in `calls()` (main thread only): "launched", "terminate",
// "runningApplication <pid>", "yield", "bundleImage <name>", "registerBundle".
class HeadlessApplication final : public Application {
 public:
  struct Options {
    bool parentIsApplication = true;     // runningApplication() finds one
    std::shared_ptr<Image> bundleImage;  // what bundleImage() finds, for any name
  };

  explicit HeadlessApplication(Options options) : options_(std::move(options)) {}

  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  void setActivationPolicyAccessory() override {}
  void run() override;
  void terminate() override {
    record("terminate");
    terminated_ = true;
  }
  void post(std::function<void()> task) override;
  std::unique_ptr<RunningApplication> runningApplication(int pid) override;
  void yieldActivation(const RunningApplication&) override { record("yield"); }
  std::shared_ptr<Image> bundleImage(std::string_view name) override {
    record("bundleImage " + std::string(name));
    return options_.bundleImage;
  }
  void registerBundle() override { record("registerBundle"); }

  const std::vector<std::string>& calls() const { return calls_; }

  // Runs the tasks queued so far (also after terminate), on the calling thread; returns how
  // many ran.
  std::size_t runQueued();

  // Appends a line of the caller's own to calls(), to check order against other events.
  void record(std::string call) { calls_.push_back(std::move(call)); }

 private:
  Options options_;
  ApplicationDelegate* delegate_ = nullptr;
  bool terminated_ = false;
  std::vector<std::string> calls_;
  std::mutex mutex_;  // guards tasks_, the one structure shared with other threads
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace nvx::platform
