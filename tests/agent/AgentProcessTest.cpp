// nvx-menubar as a parent application sees it: the built program on pipes, and a user playing
// it through the control socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <thread>

#include "support/Agent.h"

namespace nvx::test {
namespace {

// A menu with a share text and its note.
const std::string kMenuAndNote =
    menuJson("", R"({"id":"a"},{"id":"share"})", R"(,"shareText":"hi")") + "\n" +
    noteJson("T", "B") + "\n";

// The user of an agent without a desktop: commands go in through the control socket, and what
// a person would see comes back on it.
struct User {
  std::array<int, 2> fds{-1, -1};
  Incoming reports{socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds.data()) ? -1 : fds[0]};

  ~User() { close(fds[1]); }
  ChildProcess::Options attach(ChildProcess::Options options) {
    options.fds = {{fds[1], fds[1]}};
    options.env["NVX_HEADLESS_CONTROL_FD"] = std::to_string(fds[1]);
    return options;
  }
  void say(std::string_view lines) {
    EXPECT_EQ(send(fds[0], lines.data(), lines.size(), MSG_NOSIGNAL), ssize_t(lines.size()));
  }
};

// Also once the parent has closed its end of stdout or stderr: what goes to the other still
// comes, and a signal does not end the agent (its status would be -1).
TEST(AgentProcessTest, TurnsClicksHotKeyAndNotificationClicksIntoEventLinesWhateverIsClosed) {
  const std::string events = "a\ncard\nopen\n", dump = "bar: [orvel]\n(NO ICON) \n(NO ICON) \n";
  for (const std::string closed : {"", "stdout", "stderr"}) {
    SCOPED_TRACE(closed);
    User user;
    ChildProcess child(user.attach(agentOptions()));
    if (!closed.empty()) (closed == "stdout" ? child.out() : child.err()).close();
    child.write(kMenuAndNote);
    EXPECT_EQ(user.reports.line(), "notification T|B");
    user.say("click a\nhotkey\nnotification\nclick share\n");
    EXPECT_EQ(user.reports.line(), "share hi");
    child.write(kMenuAndNote);  // after the writes that met a closed stream
    EXPECT_EQ(user.reports.line(), "notification T|B");
    EXPECT_EQ(child.finish(), (Outcome{closed == "stdout" ? "" : events,
                                       closed == "stderr" ? "" : dump + dump, 0, 0}));
  }
}

TEST(AgentProcessTest, OutlivesItsParentWhileItsInputStaysOpen) {
  // A shell starts the agent in the background with the shell's own input, then exits.
  // (A background command's input is /dev/null unless it is redirected from another number.)
  auto options = agentOptions();
  options.argv = {"/bin/sh", "-c", "exec 3<&0; \"$0\" 0<&3 3<&- & exit 0", NVX_MENUBAR_PATH};
  ChildProcess shell(options);
  EXPECT_EQ(shell.wait(), std::optional<int>(0));
  std::this_thread::sleep_for(100ms);
  shell.write(menuJson("alive", R"({"id":"a","text":"A"})") + "\n");
  EXPECT_EQ(shell.err().lines(1), Lines{"bar: [orvel] alive"});
  shell.closeStdin();
  // The agent's end of stderr closes when it exits.
  EXPECT_EQ(shell.err().all(), "(NO ICON) A\n");
}

// Only the timers' wiring to the program's own loop; the times are the virtual clock's to test.
TEST(AgentProcessTest, OpensTheMenuForACheckOnItsOwnLoop) {
  User user;
  ChildProcess child(user.attach(agentOptions({{"NVX_SHOW_MENU", "1"}})));
  EXPECT_EQ(user.reports.line(), "menu open");
  EXPECT_EQ(child.finish(), (Outcome{"", "", 0, 0}));
}

// End of input queues the terminate task while user actions still arrive; what is left behind
// it must go before the objects it holds (under ASan a use after free shows on stderr).
TEST(AgentProcessTest, EndsCleanlyWhenInputEndsAmidClicksHotKeysAndNotificationClicks) {
  std::string actions;
  for (int i = 0; i < 50; ++i)
    actions += "click a\nhotkey\nnotification\n";
  for (int run = 0; run < 20; ++run) {
    User user;
    ChildProcess child(user.attach(agentOptions({})));
    child.write(kMenuAndNote);
    ASSERT_EQ(user.reports.line(), "notification T|B");
    user.say(actions);
    child.closeStdin();
    user.say(actions);
    Outcome outcome = child.finish();
    outcome.out.clear();
    EXPECT_EQ(outcome, (Outcome{"", "", 0, 0})) << "run " << run;
  }
}

}  // namespace
}  // namespace nvx::test
