#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace nvx::test {

// A program started with pipes on its standard streams, as a parent application starts the
// agent. Reads wait with a time-out so that a wedged child fails the test instead of hanging.
class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> argv;
    std::map<std::string, std::string> env;  // set on top of the test's environment
    std::vector<std::string> unsetEnv;       // removed from it
    bool closeStdin = false;                 // start with standard input at end
    int extraFd = -1;                        // handed to the child under the same number (-1: none)
  };

  explicit ChildProcess(Options options);
  ~ChildProcess();  // kills the child if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // The parent's end of standard output or error, for a caller that reads in bulk on its
  // own; bytes that readLines or readAll have already taken are not there any more.
  int fd(int stream) const { return stream == kStdout ? out_ : err_; }

  // Writes all of `bytes` to the child's standard input.
  bool write(std::string_view bytes);
  void closeStdin();
  void closeStdout();
  void closeStderr();

  // Reads standard output or error until `count` lines have come or the time is up; returns
  // the complete lines read by then.
  std::vector<std::string> readLines(int stream, std::size_t count,
                                     std::chrono::milliseconds timeout);

  // Everything the stream delivers until it ends, or until the time is up.
  std::string readAll(int stream, std::chrono::milliseconds timeout);

  // The exit status once the child has ended within `timeout`; nothing otherwise.
  std::optional<int> wait(std::chrono::milliseconds timeout);

  // True while the child runs.
  bool running();

  static constexpr int kStdout = 1;
  static constexpr int kStderr = 2;

 private:
  bool readSome(int stream, std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string pending_[3];  // bytes read but not yet returned, by stream
  std::optional<int> status_;
};

// Lines of a text, split at LF.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace nvx::test
