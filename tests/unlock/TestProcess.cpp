#include "TestProcess.h"

#include <grp.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string_view>

namespace nvx::test {
namespace {

void childSetup(gpointer uid) {
  const auto id = static_cast<uid_t>(GPOINTER_TO_UINT(uid));
  if (id != 0 && (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0)) _exit(127);
  // After the change of user, which clears it. A peer that changes user itself (polkitd)
  // still ends with the bus, which does not outlive the test.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
}

std::string text(GBytes* bytes) {
  if (!bytes) return {};
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::string s(data ? data : "", size);
  g_bytes_unref(bytes);
  return s;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{out \"" << o.out << "\", err \"" << o.err << "\", status " << o.status
            << ", signal " << o.signal << "}";
}

TestProcess::TestProcess(const std::vector<std::string>& argv, const Env& env, bool capture,
                         uid_t uid) {
  const auto flags = capture
                         ? G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE
                         : G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE;
  const GObjectPtr<GSubprocessLauncher> launcher(
      g_subprocess_launcher_new(static_cast<GSubprocessFlags>(flags)));
  for (const auto& [name, value] : env) {
    g_subprocess_launcher_setenv(launcher.get(), name.c_str(), value.c_str(), TRUE);
  }
  g_subprocess_launcher_set_child_setup(launcher.get(), childSetup, GUINT_TO_POINTER(uid), nullptr);
  std::vector<const gchar*> args;
  for (const auto& a : argv)
    args.push_back(a.c_str());
  args.push_back(nullptr);
  proc_.reset(g_subprocess_launcher_spawnv(launcher.get(), args.data(), nullptr));
}

TestProcess::~TestProcess() {
  if (!proc_) return;
  g_subprocess_force_exit(proc_.get());
  g_subprocess_wait(proc_.get(), nullptr, nullptr);
}

pid_t TestProcess::pid() const {
  const gchar* id = proc_ ? g_subprocess_get_identifier(proc_.get()) : nullptr;
  return id ? static_cast<pid_t>(std::atoi(id)) : 0;
}

bool TestProcess::running() const {
  return pid() != 0;
}

void TestProcess::sendSignal(int signal) {
  if (proc_) g_subprocess_send_signal(proc_.get(), signal);
}

Outcome TestProcess::finish(std::chrono::milliseconds timeout) {
  Outcome outcome;
  if (!proc_) return outcome;

  struct State {
    GBytes* out = nullptr;
    GBytes* err = nullptr;
    bool done = false;
  } state;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  g_subprocess_communicate_async(
      proc_.get(), nullptr, nullptr,
      [](GObject* proc, GAsyncResult* result, gpointer data) {
        auto* s = static_cast<State*>(data);
        g_subprocess_communicate_finish(G_SUBPROCESS(proc), result, &s->out, &s->err, nullptr);
        s->done = true;
      },
      &state);
  GSource* timer = g_timeout_source_new(static_cast<guint>(timeout.count()));
  g_source_set_callback(
      timer,
      [](gpointer proc) {
        g_subprocess_force_exit(G_SUBPROCESS(proc));
        return G_SOURCE_REMOVE;
      },
      proc_.get(), nullptr);
  g_source_attach(timer, context);
  while (!state.done)
    g_main_context_iteration(context, TRUE);
  g_source_destroy(timer);
  g_source_unref(timer);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);

  outcome.out = text(state.out);
  outcome.err = text(state.err);
  if (g_subprocess_get_if_exited(proc_.get())) {
    outcome.status = g_subprocess_get_exit_status(proc_.get());
  } else if (g_subprocess_get_if_signaled(proc_.get())) {
    outcome.signal = g_subprocess_get_term_sig(proc_.get());
  }
  return outcome;
}

}  // namespace nvx::test
