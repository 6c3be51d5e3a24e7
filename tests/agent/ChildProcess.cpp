#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace nvx::test {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

ChildProcess::ChildProcess(Options options) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) {
    throw std::runtime_error("pipe");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  // A dup2 onto the same number clears close-on-exec for the child alone (glibc 2.29+).
  if (options.extraFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, options.extraFd, options.extraFd);

  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) env[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
  }
  for (const auto& name : options.unsetEnv)
    env.erase(name);
  for (const auto& [name, value] : options.env)
    env[name] = value;
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : env)
    envStrings.push_back(name + "=" + value);
  std::vector<char*> envp, argv;
  for (auto& s : envStrings)
    envp.push_back(s.data());
  envp.push_back(nullptr);
  for (auto& s : options.argv)
    argv.push_back(s.data());
  argv.push_back(nullptr);

  // The child starts with every signal at its default, as a parent's children do, even when
  // this test process ignores SIGPIPE.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  const int rc = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  in_ = in[1];
  out_ = out[0];
  err_ = err[0];
  if (rc != 0) throw std::runtime_error("posix_spawn: " + std::string(std::strerror(rc)));
  if (options.closeStdin) closeStdin();
}

ChildProcess::~ChildProcess() {
  if (running()) {
    kill(pid_, SIGKILL);
    wait(std::chrono::seconds(5));
  }
  closeFd(in_);
  closeFd(out_);
  closeFd(err_);
}

bool ChildProcess::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(in_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void ChildProcess::closeStdin() {
  closeFd(in_);
}
void ChildProcess::closeStdout() {
  closeFd(out_);
}
void ChildProcess::closeStderr() {
  closeFd(err_);
}

bool ChildProcess::readSome(int stream, Clock::time_point deadline) {
  const int fd = stream == kStdout ? out_ : err_;
  if (fd < 0) return false;
  pollfd p{fd, POLLIN, 0};
  const int ready = poll(&p, 1, remainingMs(deadline));
  if (ready <= 0) return false;
  char buf[65536];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n <= 0) return false;
  pending_[stream].append(buf, static_cast<std::size_t>(n));
  return true;
}

std::vector<std::string> ChildProcess::readLines(int stream, std::size_t count,
                                                 std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::vector<std::string> lines;
  std::string& buf = pending_[stream];
  for (;;) {
    std::size_t lf;
    while (lines.size() < count && (lf = buf.find('\n')) != std::string::npos) {
      lines.push_back(buf.substr(0, lf));
      buf.erase(0, lf + 1);
    }
    if (lines.size() == count || !readSome(stream, deadline)) return lines;
  }
}

std::string ChildProcess::readAll(int stream, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (readSome(stream, deadline)) {
  }
  return std::exchange(pending_[stream], {});
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!status_) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (Clock::now() >= deadline) {
      return std::nullopt;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return status_;
}

bool ChildProcess::running() {
  return pid_ > 0 && !wait(std::chrono::milliseconds(0));
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0, lf;
  while ((lf = text.find('\n', start)) != std::string::npos) {
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace nvx::test
