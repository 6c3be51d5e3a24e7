#include "GlibApplication.h"

#include <glib-unix.h>
#include <malloc.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace nvx::platform {
namespace {

using Task = std::function<void()>;

// Tasks run per dispatch before the loop looks at its other sources again, so timers and
// D-Bus traffic are not starved by a burst of input.
constexpr int kTasksPerDispatch = 64;

// Work between two waits of the loop, added up, after which the heap is trimmed once the
// loop has waited this long with nothing to do.
constexpr gint64 kBurstUs = 20'000;
constexpr gint kQuietMs = 200;

// The loop's time at work since the heap was last trimmed, and when its last wait ended.
// One default context per process, and a poll function has no data of its own.
gint64 busyUs = 0;
gint64 lastWake = 0;

struct TaskSource {
  GSource base;
  GAsyncQueue* tasks;
};

gboolean hasTasks(GSource* source) {
  return g_async_queue_length(reinterpret_cast<TaskSource*>(source)->tasks) > 0;
}

gboolean prepareTasks(GSource* source, gint* timeout) {
  *timeout = -1;
  return hasTasks(source);
}

gboolean dispatchSource(GSource*, GSourceFunc callback, gpointer data) {
  return callback(data);
}

GSourceFuncs kTaskSourceFuncs = {prepareTasks, hasTasks, dispatchSource, nullptr, nullptr, nullptr};

void deleteTask(gpointer task) {
  delete static_cast<Task*>(task);
}

// A pending one-shot timer: its action, and the application that forgets it once it ran.
struct Timer {
  GlibApplication* application;
  Task action;
};

// glibc keeps freed heap pages for the process; after a burst that is megabytes the agent
// never needs again.
void releaseFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

class LinuxRunningApplication final : public RunningApplication {};

}  // namespace

GlibApplication::GlibApplication(ImageLoader loadImage, std::vector<std::string> resourceDirs)
    : loadImage_(std::move(loadImage)),
      resourceDirs_(std::move(resourceDirs)),
      context_(g_main_context_default()),
      loop_(g_main_loop_new(context_, FALSE)),
      tasks_(g_async_queue_new_full(deleteTask)),
      source_(g_source_new(&kTaskSourceFuncs, sizeof(TaskSource))) {
  reinterpret_cast<TaskSource*>(source_.get())->tasks = tasks_.get();
  g_source_set_callback(source_.get(), &GlibApplication::dispatchTasks, this, nullptr);
  g_source_attach(source_.get(), context_);
  busyUs = 0;
  lastWake = 0;
  g_main_context_set_poll_func(context_, &GlibApplication::pollAndSettle);
}

GlibApplication::~GlibApplication() {
  g_main_context_set_poll_func(context_, nullptr);
}

gint GlibApplication::pollAndSettle(GPollFD* fds, guint count, gint timeout) {
  const gint64 start = g_get_monotonic_time();
  if (lastWake) busyUs += start - lastWake;
  gint ready = 0;
  if (busyUs >= kBurstUs && timeout != 0) {
    // Waits a moment first; if nothing comes meanwhile, the burst is over.
    const gint quiet = timeout < 0 ? kQuietMs : std::min(timeout, kQuietMs);
    ready = g_poll(fds, count, quiet);
    if (ready == 0) {
      releaseFreedMemory();
      busyUs = 0;
      if (timeout > 0) timeout -= quiet;
      if (timeout != 0) ready = g_poll(fds, count, timeout);
    }
  } else {
    ready = g_poll(fds, count, timeout);
  }
  lastWake = g_get_monotonic_time();
  return ready;
}

void GlibApplication::run() {
  if (delegate_) delegate_->applicationDidFinishLaunching();
  if (!terminated_) g_main_loop_run(loop_.get());
  // Tasks and timers left behind terminate() never run. Drop them now, while everything they
  // hold (the delegate, the platform objects) still exists, not later in the destructor.
  while (void* task = g_async_queue_try_pop(tasks_.get()))
    deleteTask(task);
  for (guint id : timers_)
    g_source_remove(id);
  timers_.clear();
  watches_.clear();
}

void GlibApplication::terminate() {
  terminated_ = true;
  g_main_loop_quit(loop_.get());
}

void GlibApplication::post(std::function<void()> task) {
  GAsyncQueue* tasks = tasks_.get();
  g_async_queue_lock(tasks);
  const bool wasEmpty = g_async_queue_length_unlocked(tasks) <= 0;
  g_async_queue_push_unlocked(tasks, new Task(std::move(task)));
  g_async_queue_unlock(tasks);
  // The loop only sleeps after finding the queue empty, so only the first task of a batch
  // needs to wake it; that saves a system call per message in a stream.
  if (wasEmpty) g_main_context_wakeup(context_);
}

bool GlibApplication::watchReadable(int fd, std::function<bool()> onReadable) {
  using Watch = std::function<bool()>;
  GSourcePtr source(
      g_unix_fd_source_new(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR)));
  auto ready = [](gint, GIOCondition, gpointer data) -> gboolean {
    return (*static_cast<Watch*>(data))() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  };
  auto drop = [](gpointer data) { delete static_cast<Watch*>(data); };
  g_source_set_callback(source.get(), G_SOURCE_FUNC(+ready), new Watch(std::move(onReadable)),
                        drop);
  // GLib takes a source that may not recurse out of the poll set while it runs, and writing
  // its wake-up descriptor twice to do so; nothing here runs a nested loop.
  g_source_set_can_recurse(source.get(), TRUE);
  g_source_attach(source.get(), context_);
  watches_.push_back(std::move(source));
  return true;
}

gboolean GlibApplication::dispatchTasks(gpointer data) {
  auto* self = static_cast<GlibApplication*>(data);
  GAsyncQueue* tasks = self->tasks_.get();
  for (int i = 0; i < kTasksPerDispatch && !self->terminated_; ++i) {
    std::unique_ptr<Task> task(static_cast<Task*>(g_async_queue_try_pop(tasks)));
    if (!task) break;
    (*task)();
  }
  return G_SOURCE_CONTINUE;
}

std::unique_ptr<RunningApplication> GlibApplication::runningApplication(int pid) {
  if (pid <= 1) return nullptr;
  if (kill(pid, 0) != 0 && errno != EPERM) return nullptr;
  return std::make_unique<LinuxRunningApplication>();
}

std::shared_ptr<Image> GlibApplication::bundleImage(std::string_view name) {
  for (const std::string& dir : resourceDirs_) {
    const std::string path = dir + "/" + std::string(name) + ".png";
    if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) continue;
    if (auto image = loadImage_(path)) return image;
  }
  return nullptr;
}

void GlibApplication::scheduleOnce(double seconds, std::function<void()> action) {
  const double ms = std::isnan(seconds) || seconds < 0 ? 0 : std::ceil(seconds * 1000);
  auto fire = [](gpointer data) {
    auto* timer = static_cast<Timer*>(data);
    std::erase(timer->application->timers_, g_source_get_id(g_main_current_source()));
    timer->action();
    return G_SOURCE_REMOVE;
  };
  auto drop = [](gpointer data) { delete static_cast<Timer*>(data); };
  timers_.push_back(g_timeout_add_full(G_PRIORITY_DEFAULT,
                                       static_cast<guint>(std::fmin(ms, G_MAXUINT)), fire,
                                       new Timer{this, std::move(action)}, drop));
}

}  // namespace nvx::platform
