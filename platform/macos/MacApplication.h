#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/Application.h"
#include "platform/macos/ObjcRef.h"

namespace nvx::platform {

// The process's NSApplication. Tasks for the main thread go through the main run loop
// (CFRunLoopPerformBlock) in its common modes, so they also run while a menu is being tracked.
class MacApplication final : public Application {
 public:
  // Makes the shared application object.
  MacApplication();
  ~MacApplication() override;
  MacApplication(const MacApplication&) = delete;
  MacApplication& operator=(const MacApplication&) = delete;

  void setDelegate(ApplicationDelegate* delegate) override;
  void setActivationPolicyAccessory() override;
  void run() override;
  // NSApplication terminate:, which ends the process from within run() with status 0: run()
  // does not return.
  void terminate() override;
  void post(std::function<void()> task) override;
  std::unique_ptr<RunningApplication> runningApplication(int pid) override;
  void yieldActivation(const RunningApplication& application) override;
  std::shared_ptr<Image> bundleImage(std::string_view name) override;
  void registerBundle() override;

 private:
  ObjcRef delegate_;  // the NSApplicationDelegate that forwards; NSApp refers to it weakly
};

}  // namespace nvx::platform
