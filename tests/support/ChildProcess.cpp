#include "ChildProcess.h"

#include <fcntl.h>
#include <gio/gunixinputstream.h>
#include <grp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace nvx::test {
namespace {

using Clock = std::chrono::steady_clock;

// Runs in the child between fork and exec.
void childSetup(gpointer uid) {
  const auto id = static_cast<uid_t>(GPOINTER_TO_UINT(uid));
  if (id != 0 && (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0)) _exit(127);
  // As a parent's children start, even when this test ignores SIGPIPE.
  for (int s = 1; s < NSIG; ++s)
    std::signal(s, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGKILL);  // after the change of user, which clears it
}

// The descriptor of a pipe from the child, handed to an Incoming to own and close.
int takeFd(GInputStream* pipe) {
  g_unix_input_stream_set_close_fd(G_UNIX_INPUT_STREAM(pipe), FALSE);
  return g_unix_input_stream_get_fd(G_UNIX_INPUT_STREAM(pipe));
}

// A writer to a child that has gone must fail the test, not end it.
const bool kIgnoreSigpipe = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;

}  // namespace

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{out \"" << o.out << "\", err \"" << o.err << "\", status " << o.status
            << ", signal " << o.signal << "}";
}

void Incoming::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool Incoming::readSome(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  pollfd p{fd_, POLLIN, 0};
  if (fd_ < 0 || poll(&p, 1, std::max(0, static_cast<int>(left.count()))) <= 0) return false;
  char buf[65536];
  const ssize_t n = read(fd_, buf, sizeof buf);
  if (n > 0) pending_.append(buf, static_cast<std::size_t>(n));
  if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) close();
  return fd_ >= 0;
}

Lines Incoming::lines(std::size_t count, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  Lines lines;
  for (;;) {
    std::size_t lf;
    while (lines.size() < count && (lf = pending_.find('\n')) != std::string::npos) {
      lines.push_back(pending_.substr(0, lf));
      pending_.erase(0, lf + 1);
    }
    if (lines.size() == count || !readSome(deadline)) return lines;
  }
}

std::string Incoming::line(std::chrono::milliseconds timeout) {
  Lines one = lines(1, timeout);
  return one.empty() ? "" : one[0];
}

std::string Incoming::all(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (readSome(deadline)) {
  }
  return std::exchange(pending_, {});
}

ChildProcess::ChildProcess(Options options) {
  const int streams = options.capture
                          ? G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE
                          : G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE;
  const GObjectPtr<GSubprocessLauncher> launcher(
      g_subprocess_launcher_new(GSubprocessFlags(G_SUBPROCESS_FLAGS_STDIN_PIPE | streams)));
  GSubprocessLauncher* l = launcher.get();
  for (const auto& name : options.unsetEnv)
    g_subprocess_launcher_unsetenv(l, name.c_str());
  for (const auto& [name, value] : options.env)
    g_subprocess_launcher_setenv(l, name.c_str(), value.c_str(), TRUE);
  for (const auto& [fd, number] : options.fds)
    g_subprocess_launcher_take_fd(l, fcntl(fd, F_DUPFD_CLOEXEC, 3), number);
  g_subprocess_launcher_set_child_setup(l, childSetup, GUINT_TO_POINTER(options.uid), nullptr);
  std::vector<const gchar*> argv;
  for (const auto& a : options.argv)
    argv.push_back(a.c_str());
  argv.push_back(nullptr);
  proc_.reset(g_subprocess_launcher_spawnv(l, argv.data(), nullptr));
  if (!proc_) throw std::runtime_error("cannot start " + options.argv.at(0));
  const gchar* id = g_subprocess_get_identifier(proc_.get());  // null once it ended
  pid_ = id ? static_cast<pid_t>(std::atoi(id)) : 0;
  if (options.capture) {
    out_.fd_ = takeFd(g_subprocess_get_stdout_pipe(proc_.get()));
    err_.fd_ = takeFd(g_subprocess_get_stderr_pipe(proc_.get()));
  }
}

ChildProcess::~ChildProcess() {
  if (running()) g_subprocess_force_exit(proc_.get());
  g_subprocess_wait(proc_.get(), nullptr, nullptr);
}

bool ChildProcess::write(std::string_view bytes) {
  return g_output_stream_write_all(g_subprocess_get_stdin_pipe(proc_.get()), bytes.data(),
                                   bytes.size(), nullptr, nullptr, nullptr);
}

void ChildProcess::closeStdin() {
  g_output_stream_close(g_subprocess_get_stdin_pipe(proc_.get()), nullptr, nullptr);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
  // GLib reaps the child on a thread of its own; this polls for that.
  const auto deadline = Clock::now() + timeout;
  while (running()) {
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(2ms);
  }
  GSubprocess* p = proc_.get();
  return g_subprocess_get_if_exited(p) ? g_subprocess_get_exit_status(p)
                                       : 128 + g_subprocess_get_term_sig(p);
}

Outcome ChildProcess::finish(std::chrono::milliseconds timeout) {
  closeStdin();
  Outcome outcome{out_.all(timeout), err_.all(timeout)};
  if (!wait(timeout)) {
    g_subprocess_force_exit(proc_.get());
    wait();
  }
  GSubprocess* p = proc_.get();
  if (g_subprocess_get_if_exited(p)) outcome.status = g_subprocess_get_exit_status(p);
  if (g_subprocess_get_if_signaled(p)) outcome.signal = g_subprocess_get_term_sig(p);
  return outcome;
}

}  // namespace nvx::test
