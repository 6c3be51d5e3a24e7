#include "nvx-menubar/Output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace nvx {
namespace {

// Writes served from a script: each step takes up to that many bytes, or fails with -errno.
struct ScriptedWrite {
  static inline std::vector<ssize_t> steps;
  static inline std::size_t next = 0;
  static inline std::string written;
  static ssize_t write(int, const void* buf, std::size_t count) {
    const ssize_t step = next < steps.size() ? steps[next++] : -EIO;
    if (step < 0) {
      errno = static_cast<int>(-step);
      return -1;
    }
    const std::size_t n = std::min(static_cast<std::size_t>(step), count);
    written.append(static_cast<const char*>(buf), n);
    return static_cast<ssize_t>(n);
  }
};

TEST(WriteAllTest, GoesOnAfterPartialWritesAndEintrAndDropsTheRestOnAnyOtherFailure) {
  struct Case {
    std::vector<ssize_t> steps;
    std::string written;
    bool result;
  };
  for (const Case& c :
       {Case{{2, 1, 9}, "hello", true}, Case{{-EINTR, 9}, "hello", true},
        Case{{3, -EPIPE}, "hel", false}, Case{{-EBADF}, "", false}, Case{{0}, "", false}}) {
    ScriptedWrite::steps = c.steps;
    ScriptedWrite::next = 0;
    ScriptedWrite::written.clear();
    EXPECT_EQ(writeAll(1, "hello", &ScriptedWrite::write), c.result) << c.written;
    EXPECT_EQ(ScriptedWrite::written, c.written);
  }
}

TEST(WriteAllTest, WaitsWhileANonBlockingPipeIsFull) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
  fcntl(fds[0], F_SETFL, 0);  // the reader blocks
  const std::string block(4096, 'x');
  std::size_t filled = 0;
  for (ssize_t n; (n = write(fds[1], block.data(), block.size())) > 0;)
    filled += static_cast<std::size_t>(n);
  ASSERT_EQ(errno, EAGAIN);
  std::string read;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    char buf[4096];
    for (ssize_t n; read.size() < filled + 4 && (n = ::read(fds[0], buf, sizeof buf)) > 0;)
      read.append(buf, static_cast<std::size_t>(n));
  });
  EXPECT_TRUE(writeAll(fds[1], "tail"));
  close(fds[1]);
  reader.join();
  EXPECT_EQ(read.substr(filled), "tail");
  close(fds[0]);
}

}  // namespace
}  // namespace nvx
