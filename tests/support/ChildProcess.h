#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/glib/GPtr.h"

namespace nvx::test {

using namespace std::chrono_literals;
using Env = std::map<std::string, std::string>;
using Lines = std::vector<std::string>;

// How a child ended and what it wrote.
struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // exit status, -1 when it did not exit by itself
  int signal = 0;   // the signal that ended it, or 0
  bool operator==(const Outcome&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Outcome& o);

// Bytes that arrive on a descriptor this side reads (a child's pipe, a socket), taken line by
// line or whole. Every read has a time-out, so that a wedged peer fails the test instead of
// hanging it. Owns the descriptor.
class Incoming {
 public:
  explicit Incoming(int fd = -1) : fd_(fd) {}
  ~Incoming() { close(); }
  Incoming(const Incoming&) = delete;
  Incoming& operator=(const Incoming&) = delete;

  int fd() const { return fd_; }
  void close();

  // The next `count` lines; fewer when the stream ends or the time is up first.
  Lines lines(std::size_t count, std::chrono::milliseconds timeout = 10s);
  // The next line, or "" when none comes in time.
  std::string line(std::chrono::milliseconds timeout = 10s);
  // Everything until the stream ends or the time is up.
  std::string all(std::chrono::milliseconds timeout = 10s);

 private:
  friend class ChildProcess;
  // Waits for bytes until `deadline`; false once the stream has ended or the time is up.
  bool readSome(std::chrono::steady_clock::time_point deadline);

  int fd_;
  std::string pending_;  // read but not yet taken
};

// A program started as a parent application starts the agent, on GIO's GSubprocess: pipes on
// its standard streams, its environment, descriptors passed under chosen numbers. Every
// signal starts at its default in the child, and the child dies with the test. Killed on
// destruction if it still runs.
class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> argv{};
    Env env{};                               // set on top of the test's environment
    std::vector<std::string> unsetEnv{};     // removed from it
    bool capture = true;                     // pipes on standard output and error; else /dev/null
    std::vector<std::pair<int, int>> fds{};  // {descriptor here, number in the child}: a copy
    uid_t uid = 0;  // nonzero: run as this user and the group of the same number
  };
  explicit ChildProcess(Options options);
  ~ChildProcess();  // not copied: it owns the child's handle and pipes

  pid_t pid() const { return pid_; }  // 0 for a child that ended before it was asked
  bool running() const { return g_subprocess_get_identifier(proc_.get()) != nullptr; }
  void signal(int signal) { g_subprocess_send_signal(proc_.get(), signal); }

  bool write(std::string_view bytes);  // all of it to standard input; false when refused
  void closeStdin();
  // This side's ends of standard output and error.
  Incoming& out() { return out_; }
  Incoming& err() { return err_; }

  // The exit status (128 + the signal for a child a signal ended) once it ended in time.
  std::optional<int> wait(std::chrono::milliseconds timeout = 10s);

  // Closes standard input, reads standard output then error to their end (so a child may write
  // no more than a pipe holds to stderr before it ends stdout) and waits; a child still running
  // after `timeout` is killed (and reported as killed by SIGKILL).
  Outcome finish(std::chrono::milliseconds timeout = 10s);

 private:
  GObjectPtr<GSubprocess> proc_;
  pid_t pid_ = 0;
  Incoming out_, err_;
};

// Polls `done`, running what the default main context has ready in between, until it holds or
// `ms` have passed; true once it held.
template <class Done>
bool spinUntil(Done&& done, int ms = 5000) {
  const gint64 end = g_get_monotonic_time() + gint64{ms} * 1000;
  while (!done()) {
    if (g_get_monotonic_time() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

}  // namespace nvx::test
