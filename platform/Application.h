#pragma once

#include <functional>
#include <memory>
#include <string_view>

namespace nvx::platform {

class Image;

// Receives the application's launch callback.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;

  // Called once, on the main thread, when the event loop has started.
  virtual void applicationDidFinishLaunching() = 0;
};

// Another application known to the system (the parent, when it is one). Opaque to the core.
class RunningApplication {
 public:
  virtual ~RunningApplication() = default;
};

// The agent's application object: its main-thread event loop and the few things it asks of
// the desktop session. Where a system has no counterpart for an operation, it does what the
// system allows, possibly nothing.
class Application {
 public:
  virtual ~Application() = default;

  // The launch callback goes to `delegate`, which is not owned and must outlive run().
  virtual void setDelegate(ApplicationDelegate* delegate) = 0;

  // No Dock icon and no menu bar of the agent's own.
  virtual void setActivationPolicyAccessory() = 0;

  // Runs the event loop, calling the delegate's launch callback first; returns after
  // terminate().
  virtual void run() = 0;

  // Ends the event loop; run() returns once the current task is done, having dropped the
  // tasks and timers that did not run. Where the system ends the process right there
  // (macOS), run() does not return at all.
  virtual void terminate() = 0;

  // Calls `onReadable` on the main thread whenever `fd` has input, end of input or an error,
  // until it returns false or the event loop ends. Returns false, watching nothing, where the
  // event loop does not watch descriptors: the caller then reads on a thread of its own.
  virtual bool watchReadable(int /*fd*/, std::function<bool()> /*onReadable*/) { return false; }

  // Queues `task` to run once on the main thread, behind every task queued before it, also
  // while a menu is open, and wakes the loop at once. Callable from any thread; never runs the
  // task inline.
  virtual void post(std::function<void()> task) = 0;

  // The application whose process id is `pid`, or null when that process is not one.
  virtual std::unique_ptr<RunningApplication> runningApplication(int pid) = 0;

  // Lets `application` bring itself to the front.
  virtual void yieldActivation(const RunningApplication& application) = 0;

  // The image resource `name` of the agent's own bundle, or null when it is missing.
  virtual std::shared_ptr<Image> bundleImage(std::string_view name) = 0;

  // Registers the agent's bundle with the system's application registry; the result is
  // not reported.
  virtual void registerBundle() = 0;
};

}  // namespace nvx::platform
