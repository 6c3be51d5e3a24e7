// The agent's standard streams: line framing, reading, writing.
#include "platform/streams/LineFramer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/streams/LineReader.h"
#include "platform/streams/WriteAll.h"
#include "support/Tables.h"

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

TEST(LineFramerTest, SplitsTheSameWayWhateverTheChunkSize) {
  struct C : test::Row {
    std::string input;
    Lines expected;
  };
  for (const C& row : {C{"Empty", "", {}}, C{"OnlyLf", "\n", {""}},
                       C{"TwoLines", "a\nb\n", {"a", "b"}}, C{"UnendedLast", "a\nb", {"a", "b"}},
                       C{"CrLf", "a\r\nb\r\n", {"a", "b"}}, C{"InnerCr", "a\rb\n", {"a\rb"}},
                       C{"TrailingCr", "a\r", {"a\r"}}, C{"OnlyCrLf", "\r\n", {""}},
                       C{"CrCrLf", "a\r\r\n", {"a\r"}}, C{"TwoEmpty", "\n\n", {"", ""}},
                       C{"Nul", std::string("a\0b\n", 4), {std::string("a\0b", 3)}}}) {
    SCOPED_TRACE(row.name);
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, row.input.size() + 1})
      EXPECT_EQ(frame(row.input, chunk), row.expected)
          << testing::PrintToString(row.input) << " by " << chunk;
  }
}

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

// Reads and writes served from a script: each step passes up to that many bytes (a read's
// taken from `input`) or fails with -errno; past its end a read ends the input, a write fails.
struct Script {
  std::vector<ssize_t> steps;
  std::string input{}, written{};
  std::size_t next = 0;
  // The bytes the next step passes of `count`, or -1 with errno set.
  ssize_t take(std::size_t count, ssize_t pastTheEnd) {
    const ssize_t step = next < steps.size() ? steps[next++] : pastTheEnd;
    if (step >= 0) return static_cast<ssize_t>(std::min(static_cast<std::size_t>(step), count));
    errno = static_cast<int>(-step);
    return -1;
  }
};
Script script;

ssize_t scriptedRead(int, void* buf, std::size_t count) {
  const ssize_t n = script.take(count, 0);
  if (n > 0) script.input.erase(0, script.input.copy(static_cast<char*>(buf), std::size_t(n)));
  return n;
}

ssize_t scriptedWrite(int, const void* buf, std::size_t count) {
  const ssize_t n = script.take(count, -EIO);
  if (n > 0) script.written.append(static_cast<const char*>(buf), std::size_t(n));
  return n;
}

// The lines read from `input` by run(), or with `byLoop` as an event loop reads, one read a
// call, then "calls N" until one said no more.
Lines readAll(std::vector<ssize_t> steps, std::string input, bool byLoop = false) {
  script = {std::move(steps), std::move(input)};
  Lines lines;
  const auto collect = [&](std::string_view l) { lines.emplace_back(l); };
  LineReader reader(0, &scriptedRead);
  if (!byLoop) {
    reader.run(collect);
    return lines;
  }
  int calls = 1;
  while (reader.readAvailable(collect))
    ++calls;
  lines.push_back("calls " + std::to_string(calls));
  return lines;
}

TEST(LineReaderTest, RetriesOnEintrAndEndsOnOtherErrorsWithTheLastLine) {
  EXPECT_EQ(readAll({3, -EINTR, 2, 1}, "a\nbc\nd"), (Lines{"a", "bc", "d"}));
  EXPECT_EQ(readAll({3, -EIO, 2}, "a\nbc\n"), (Lines{"a", "b"}));
}

// By an event loop: EAGAIN and EINTR wait for more, keeping the part of a line read so far; end
// of input and errors end it with the last line; a line over the limit is dropped as it streams
// by.
TEST(LineReaderTest, ReadsWhatHasArrivedAndTellsWhetherMoreMayCome) {
  EXPECT_EQ(readAll({3, -EAGAIN, -EINTR, 2, 1}, "a\nbc\nd", true),
            (Lines{"a", "bc", "d", "calls 6"}));
  EXPECT_EQ(readAll({3, -EIO, 2}, "a\nbc\n", true), (Lines{"a", "b", "calls 2"}));
  const std::size_t blocks = LineFramer::kMaxLine / LineReader::kBlockSize + 1;
  std::vector<ssize_t> over(blocks, LineReader::kBlockSize);
  over.insert(over.end(), {-EAGAIN, 4});
  EXPECT_EQ(readAll(over, std::string(blocks * LineReader::kBlockSize, 'x') + "\nok\n", true),
            (Lines{"ok", "calls " + std::to_string(over.size() + 1)}));
}

// A parent on an event loop hands over a non-blocking pipe: a read with nothing there yet is
// no end of input.
TEST(LineReaderTest, ReadsEveryLineOfANonBlockingPipeWhoseWriterPauses) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
  std::thread writer([w = fds[1]] {
    for (std::string_view piece : {"{}\r\n", "sec", "ond\n", "last"}) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_EQ(write(w, piece.data(), piece.size()), ssize_t(piece.size()));
    }
    close(w);
  });
  Lines lines;
  LineReader(fds[0]).run([&](std::string_view l) { lines.emplace_back(l); });
  writer.join();
  close(fds[0]);
  EXPECT_EQ(lines, (Lines{"{}", "second", "last"}));
}

TEST(WriteAllTest, GoesOnAfterPartialWritesAndEintrAndDropsTheRestOnAnyOtherFailure) {
  struct C : test::Row {
    std::vector<ssize_t> steps;
    std::string written;
    bool result;
  };
  for (const C& row :
       {C{"Partial", {2, 1, 9}, "hello", true}, C{"Eintr", {-EINTR, 9}, "hello", true},
        C{"Epipe", {3, -EPIPE}, "hel", false}, C{"Ebadf", {-EBADF}, "", false},
        C{"Zero", {0}, "", false}}) {
    SCOPED_TRACE(row.name);
    script = {row.steps};
    EXPECT_EQ(writeAll(1, "hello", &scriptedWrite), row.result) << row.written;
    EXPECT_EQ(script.written, row.written);
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
