#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <chrono>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/GPtr.h"

namespace nvx::test {

// How a child ended and what it wrote.
struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // exit status, -1 when it did not exit by itself
  int signal = 0;   // the signal that ended it, or 0

  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o);

using Env = std::vector<std::pair<std::string, std::string>>;

// A child process, killed and reaped on destruction. It dies with the test process too.
class TestProcess {
 public:
  // Starts `argv` with `env` added; `capture` pipes its output for finish(), otherwise the
  // output is dropped. A nonzero `uid` runs it as that user (and its group of the same number).
  TestProcess(const std::vector<std::string>& argv, const Env& env, bool capture = true,
              uid_t uid = 0);
  ~TestProcess();
  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  pid_t pid() const;
  bool running() const;
  void sendSignal(int signal);

  // Collects the output and waits for the end; a child still running after `timeout` is
  // killed (and reported as killed by SIGKILL).
  Outcome finish(std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  GObjectPtr<GSubprocess> proc_;
};

// Table rows show as their names in test listings, not as bytes.
template <class Row>
requires requires(const Row& row) {
  row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

// Polls `done` every 20 ms for up to five seconds; true once it held.
template <class Done>
bool waitFor(Done&& done) {
  for (int i = 0; i < 250; ++i) {
    if (done()) return true;
    g_usleep(20'000);
  }
  return done();
}

}  // namespace nvx::test
