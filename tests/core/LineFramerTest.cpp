#include "nvx-menubar/LineFramer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "nvx-menubar/LineReader.h"

namespace nvx {
namespace {

using Lines = std::vector<std::string>;

// Frames `input` fed in chunks of `chunk` bytes, then ends the stream.
Lines frame(std::string_view input, std::size_t chunk) {
  Lines lines;
  LineFramer framer;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  for (std::size_t i = 0; i < input.size(); i += chunk)
    framer.feed(input.substr(i, chunk), collect);
  framer.finish(collect);
  return lines;
}

struct Case {
  std::string input;
  Lines lines;
};

// Keeps test names readable: ctest lists every parameter by its printed form.
void PrintTo(const Case& c, std::ostream* os) {
  *os << testing::PrintToString(std::string(c.input));
}

class FramingTest : public testing::TestWithParam<Case> {};

TEST_P(FramingTest, SplitsTheSameWayWhateverTheChunkSize) {
  const auto& [input, expected] = GetParam();
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, input.size() + 1}) {
    EXPECT_EQ(frame(input, chunk), expected) << "chunk " << chunk;
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, FramingTest,
                         testing::Values(Case{"", {}}, Case{"\n", {""}}, Case{"a\nb\n", {"a", "b"}},
                                         Case{"a\nb", {"a", "b"}}, Case{"a\r\nb\r\n", {"a", "b"}},
                                         Case{"a\rb\n", {"a\rb"}}, Case{"a\r", {"a\r"}},
                                         Case{"\r\n", {""}}, Case{"a\r\r\n", {"a\r"}},
                                         Case{"\n\n", {"", ""}},
                                         Case{std::string("a\0b\n", 4), {std::string("a\0b", 3)}}));

TEST(LineFramerTest, DropsALineOverTheLimitAndReadsTheNextOne) {
  const std::size_t max = LineFramer::kMaxLine;
  const std::string atLimit(max, 'x');
  const std::string overLimit(max + 1, 'y');
  for (std::size_t chunk : {std::size_t{64} << 10, max + 10}) {
    // A CR before the LF does not count against the limit.
    EXPECT_EQ(frame("a\n" + overLimit + "\nb\n" + atLimit + "\r\nc", chunk),
              (Lines{"a", "b", atLimit, "c"}))
        << chunk;
    EXPECT_EQ(frame(overLimit, chunk), Lines{});
    EXPECT_EQ(frame(overLimit + "\r\n", chunk), Lines{});
    EXPECT_EQ(frame(atLimit + "\r", chunk), Lines{});
  }
}

// Reads served from a script: each step returns bytes, an error, or end of input.
struct ScriptedRead {
  static inline std::vector<std::pair<ssize_t, std::string>> steps;
  static inline std::size_t next = 0;
  static ssize_t read(int, void* buf, std::size_t count) {
    if (next == steps.size()) return 0;
    const auto& [result, bytes] = steps[next++];
    if (result < 0) {
      errno = static_cast<int>(-result);
      return -1;
    }
    EXPECT_LE(bytes.size(), count);
    bytes.copy(static_cast<char*>(buf), bytes.size());
    return static_cast<ssize_t>(bytes.size());
  }
};

Lines readAll(std::vector<std::pair<ssize_t, std::string>> steps) {
  ScriptedRead::steps = std::move(steps);
  ScriptedRead::next = 0;
  Lines lines;
  LineReader(0, &ScriptedRead::read).run([&](std::string_view l) { lines.emplace_back(l); });
  return lines;
}

TEST(LineReaderTest, RetriesOnEintrAndEndsOnOtherErrorsWithTheLastLine) {
  EXPECT_EQ(readAll({{3, "a\nb"}, {-EINTR, ""}, {2, "c\n"}, {1, "d"}}), (Lines{"a", "bc", "d"}));
  EXPECT_EQ(readAll({{3, "a\nb"}, {-EIO, ""}, {2, "c\n"}}), (Lines{"a", "b"}));
  EXPECT_EQ(readAll({}), Lines{});
}

TEST(LineReaderTest, ReadsAPipeInBlocks) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string input = "{}\r\nsecond\nlast";
  ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(fds[1]);
  Lines lines;
  LineReader(fds[0]).run([&](std::string_view l) { lines.emplace_back(l); });
  close(fds[0]);
  EXPECT_EQ(lines, (Lines{"{}", "second", "last"}));
}

}  // namespace
}  // namespace nvx
