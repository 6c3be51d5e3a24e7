#pragma once

#include <glib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/MainLoop.h"
#include "platform/linux/glib/GPtr.h"

namespace nvx::platform {

// The application on GLib's default main context. Tasks posted from other threads go through
// one queue that a source of the main context drains in order, so a burst of tasks costs one
// queue push each, not one main-loop source each. After much work (a flood of bus calls, a
// backlog of input or output), the heap's freed pages go back to the system once the loop
// has been quiet for a moment.
class GlibApplication final : public Application, public MainLoop {
 public:
  // Makes the image of a resource file; null when the file is unusable.
  using ImageLoader = std::function<std::shared_ptr<Image>(const std::string& path)>;

  // Resources are looked up as `<dir>/<name>.png` in `resourceDirs`, in order.
  GlibApplication(ImageLoader loadImage, std::vector<std::string> resourceDirs);
  ~GlibApplication() override;
  GlibApplication(const GlibApplication&) = delete;
  GlibApplication& operator=(const GlibApplication&) = delete;

  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  // Linux desktops show no dock entry for a program without a window: nothing to do.
  void setActivationPolicyAccessory() override {}
  void run() override;
  void terminate() override;
  void post(std::function<void()> task) override;
  bool watchReadable(int fd, std::function<bool()> onReadable) override;
  // Any live process other than init counts: Linux keeps no list of applications apart.
  std::unique_ptr<RunningApplication> runningApplication(int pid) override;
  // X11 and Wayland have no call by which one client hands activation to another unasked.
  void yieldActivation(const RunningApplication&) override {}
  std::shared_ptr<Image> bundleImage(std::string_view name) override;
  // Linux has no registry of application bundles to update.
  void registerBundle() override {}

  void scheduleOnce(double seconds, std::function<void()> action) override;

 private:
  static gboolean dispatchTasks(gpointer self);
  static gint pollAndSettle(GPollFD* fds, guint count, gint timeout);

  ImageLoader loadImage_;
  std::vector<std::string> resourceDirs_;
  ApplicationDelegate* delegate_ = nullptr;
  bool terminated_ = false;
  GMainContext* context_;  // the default context, not owned
  GMainLoopPtr loop_;
  GAsyncQueuePtr tasks_;
  GSourcePtr source_;
  std::vector<guint> timers_;        // one-shot timers not yet fired
  std::vector<GSourcePtr> watches_;  // descriptors watched for input
};

}  // namespace nvx::platform
