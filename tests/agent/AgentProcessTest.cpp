// nvx-menubar as a parent application sees it: the built program on pipes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"

namespace nvx::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr auto kWait = 10s;

std::string menu(const std::string& title, const std::string& items = R"({"id":"a","text":"A"})") {
  return R"({"menu":{"title":")" + title + R"(","tooltip":"t","items":[)" + items + "]}}";
}

ChildProcess::Options agent(std::map<std::string, std::string> env = {{"NVX_DUMP_MENU", "1"}}) {
  ChildProcess::Options options;
  options.argv = {NVX_MENUBAR_PATH};
  options.env = std::move(env);
  // Without a session bus the agent keeps its session in memory; the machine's bus is never
  // used.
  options.unsetEnv = {"NVX_DUMP_MENU", "NVX_SHOW_MENU", "NVX_HEADLESS_CONTROL_FD",
                      "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"};
  return options;
}

// The agent's headless session driven through its control socket, as a user would.
struct User {
  int fds[2] = {-1, -1};
  std::string pending;

  User() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0); }
  ~User() {
    close(fds[0]);
    close(fds[1]);
  }
  ChildProcess::Options attach(ChildProcess::Options options) {
    options.extraFd = fds[1];
    options.env["NVX_HEADLESS_CONTROL_FD"] = std::to_string(fds[1]);
    return options;
  }
  void say(const std::string& command) {
    const std::string line = command + "\n";
    ASSERT_EQ(write(fds[0], line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  // The next report of the session, or "" when none comes in time.
  std::string next(std::chrono::milliseconds timeout = kWait) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pending.find('\n') == std::string::npos) {
      timeval tv{0, 10'000};
      setsockopt(fds[0], SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
      char buf[1024];
      const ssize_t n = read(fds[0], buf, sizeof buf);
      if (n > 0) pending.append(buf, static_cast<std::size_t>(n));
      if (std::chrono::steady_clock::now() > deadline) return "";
    }
    const std::size_t lf = pending.find('\n');
    std::string line = pending.substr(0, lf);
    pending.erase(0, lf + 1);
    return line;
  }
};

// A write to a pipe whose reader has gone must fail the test, not end it.
const bool kIgnoreSigpipe = [] { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();

TEST(AgentProcessTest, EndsAtOnceWithoutOutputWhenInputIsAlreadyClosed) {
  auto options = agent();
  options.closeStdin = true;
  ChildProcess child(options);
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
  EXPECT_EQ(child.readAll(ChildProcess::kStdout, kWait), "");
  EXPECT_EQ(child.readAll(ChildProcess::kStderr, kWait), "");
}

TEST(AgentProcessTest, AppliesEveryLineInOrderThenExits) {
  ChildProcess child(agent());
  // CRLF, a bad line, a note only, an empty line, and a last line without LF.
  child.write(menu("1") + "\r\n" + "{nope\n" + R"({"notify":{"title":"T","body":"B"}})" + "\n\n" +
              menu("2") + "\n" + menu("3"));
  child.closeStdin();
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
  EXPECT_EQ(child.readAll(ChildProcess::kStderr, kWait),
            "bar: [orvel] 1\n(NO ICON) A\nbar: [orvel] 2\n(NO ICON) A\n"
            "bar: [orvel] 3\n(NO ICON) A\n");
  EXPECT_EQ(child.readAll(ChildProcess::kStdout, kWait), "");
}

TEST(AgentProcessTest, DumpsNothingUnlessTheSwitchIsExactlyOne) {
  for (const char* value : {"true", "01", "", "0"}) {
    ChildProcess child(agent({{"NVX_DUMP_MENU", value}}));
    child.write(menu("1") + "\n");
    child.closeStdin();
    EXPECT_EQ(child.wait(kWait), std::optional<int>(0)) << value;
    EXPECT_EQ(child.readAll(ChildProcess::kStderr, kWait), "") << value;
  }
}

TEST(AgentProcessTest, TurnsChoicesHotKeyAndNotificationClicksIntoEventLines) {
  User user;
  ChildProcess child(user.attach(agent()));
  child.write(R"({"menu":{"title":"","tooltip":"t","shareText":"hi","items":[)"
              R"({"id":"a"},{"id":"off","disabled":true},{"id":"sub","children":[{"id":"in"}]},)"
              R"({"id":"share"}]},"notify":{"title":"T","body":"B"}})"
              "\n");
  EXPECT_EQ(child.readLines(ChildProcess::kStderr, 5, kWait).size(), 5u);
  EXPECT_EQ(user.next(), "notification T|B");
  for (const char* command :
       {"click a", "click off", "click sub", "click in", "hotkey", "notification", "click share"}) {
    user.say(command);
  }
  EXPECT_EQ(user.next(), "share hi");
  EXPECT_EQ(child.readLines(ChildProcess::kStdout, 4, kWait), (Lines{"a", "in", "card", "open"}));
  child.closeStdin();
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
  EXPECT_EQ(child.readAll(ChildProcess::kStdout, kWait), "");
}

TEST(AgentProcessTest, KeepsWorkingAfterTheParentClosesItsEndOfStdout) {
  User user;
  ChildProcess child(user.attach(agent()));
  child.closeStdout();
  child.write(menu("1") + "\n");
  EXPECT_EQ(child.readLines(ChildProcess::kStderr, 2, kWait).size(), 2u);
  user.say("click a");  // the event line meets a closed pipe
  user.say("hotkey");
  child.write(menu("2") + "\n");
  EXPECT_EQ(child.readLines(ChildProcess::kStderr, 2, kWait),
            (Lines{"bar: [orvel] 2", "(NO ICON) A"}));
  child.closeStdin();
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
}

TEST(AgentProcessTest, KeepsWorkingAfterTheParentClosesItsEndOfStderr) {
  User user;
  ChildProcess child(user.attach(agent()));
  child.closeStderr();
  child.write(menu("1") + "\n");  // its dump meets a closed pipe
  child.write(menu("2") + "\n" + R"({"notify":{"title":"T","body":"B"}})" + "\n");
  EXPECT_EQ(user.next(), "notification T|B");
  user.say("click a");
  EXPECT_EQ(child.readLines(ChildProcess::kStdout, 1, kWait), Lines{"a"});
  child.closeStdin();
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
}

TEST(AgentProcessTest, OutlivesItsParentWhileItsInputStaysOpen) {
  // A shell starts the agent in the background with the shell's own input, then exits.
  auto options = agent();
  // (A background command's input is /dev/null unless it is redirected from another number.)
  options.argv = {"/bin/sh", "-c", "exec 3<&0; \"$0\" 0<&3 3<&- & exit 0", NVX_MENUBAR_PATH};
  ChildProcess shell(options);
  EXPECT_EQ(shell.wait(kWait), std::optional<int>(0));
  std::this_thread::sleep_for(100ms);
  shell.write(menu("alive") + "\n");
  EXPECT_EQ(shell.readLines(ChildProcess::kStderr, 1, kWait), Lines{"bar: [orvel] alive"});
  shell.closeStdin();
  // The agent's end of stderr closes when it exits.
  EXPECT_EQ(shell.readAll(ChildProcess::kStderr, kWait), "(NO ICON) A\n");
}

TEST(AgentProcessTest, AppliesABurstOfMessagesOneByOneInOrder) {
  constexpr int kMessages = 100'000;
  ChildProcess child(agent());
  std::thread writer([&] {
    std::string batch;
    for (int i = 0; i < kMessages; ++i) {
      batch += menu(std::to_string(i)) + "\n";
      if (batch.size() > 60'000) child.write(std::exchange(batch, {}));
    }
    child.write(batch);
    child.closeStdin();
  });
  int next = 0;
  bool inOrder = true;
  for (;;) {
    Lines lines = child.readLines(ChildProcess::kStderr, 2, 30s);
    if (lines.size() < 2) break;
    inOrder = inOrder && lines[0] == "bar: [orvel] " + std::to_string(next);
    ++next;
  }
  writer.join();
  EXPECT_EQ(next, kMessages);
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
}

TEST(AgentProcessTest, OpensTheMenuTwoSecondsAfterLaunchAndClosesItFourSecondsLater) {
  User user;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  ChildProcess child(user.attach(agent({{"NVX_SHOW_MENU", "1"}})));
  EXPECT_EQ(user.next(), "menu open");
  const auto opened = Clock::now();
  EXPECT_EQ(user.next(), "menu closed");
  const auto closed = Clock::now();
  EXPECT_GE(opened - start, 2s);
  EXPECT_LT(opened - start, 4s);
  EXPECT_GE(closed - opened, 3900ms);
  EXPECT_LT(closed - opened, 6s);
  child.closeStdin();
  EXPECT_EQ(child.wait(kWait), std::optional<int>(0));
}

}  // namespace
}  // namespace nvx::test
