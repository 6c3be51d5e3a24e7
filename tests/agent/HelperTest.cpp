#include "nvx-menubar/Helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/headless/HeadlessHotKeys.h"
#include "platform/headless/HeadlessImage.h"
#include "platform/headless/HeadlessNotificationCenter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/HeadlessApplication.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();  // the ASan runtime's
#endif

namespace nvx {
namespace {

using platform::HeadlessApplication;
using Calls = std::vector<std::string>;

constexpr const char* kMenuA =
    R"({"menu":{"title":"1","tooltip":"t","items":[{"id":"a","text":"A"},{},{"id":"share","text":"S"}],"shareText":"hi"}})";
constexpr const char* kMenuB =
    R"({"menu":{"title":"2","tooltip":"t","items":[{"id":"b","text":"B"}]}})";
constexpr const char* kNote = R"({"notify":{"title":"T","body":"B"}})";

HeadlessApplication* gApp = nullptr;
int gOutFd = -1;

// Every write of the agent lands in the application's calls, then in the real descriptor.
ssize_t recordingWrite(int fd, const void* buf, std::size_t count) {
  gApp->record((fd == gOutFd ? "out " : "err ") +
               std::string(static_cast<const char*>(buf), count));
  return ::write(fd, buf, count);
}

// Bytes of heap in use (the sanitizer's own heap in the ASan build).
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const auto info = mallinfo2();
  return info.uordblks + info.hblkhd;  // small chunks, and large ones mapped on their own
#endif
}

// An upper-case version 4 UUID of the RFC 4122 variant: H a hex digit, V one of 8, 9, A, B.
bool isUuid(std::string_view s) {
  constexpr std::string_view kForm = "HHHHHHHH-HHHH-4HHH-VHHH-HHHHHHHHHHHH";
  if (s.size() != kForm.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::string_view allowed = kForm[i] == 'H'   ? "0123456789ABCDEF"
                                     : kForm[i] == 'V' ? "89AB"
                                                       : kForm.substr(i, 1);
    if (allowed.find(s[i]) == std::string_view::npos) return false;
  }
  return true;
}

struct Options {
  bool parentIsApplication = true;
  bool grants = true;
};

// The agent on the in-memory platform, reading a pipe; the notes it posts are recorded among
// the application's calls.
class HelperTest : public testing::Test, public platform::HeadlessObserver {
 protected:
  void SetUp() override {
    unsetenv("NVX_DUMP_MENU");
    unsetenv("NVX_SHOW_MENU");
  }
  void TearDown() override { end(); }

  // Releases the agent of the last run (before the platform objects it holds) and its pipes.
  void end() {
    helper.reset();
    for (int& fd : fds) {
      if (fd >= 0) close(fd);
      fd = -1;
    }
  }

  // Runs the agent on `input` until it terminates at end of input.
  void runAgent(const std::string& input, Options options = {}) {
    end();
    app = std::make_unique<HeadlessApplication>(HeadlessApplication::Options{
        options.parentIsApplication,
        std::make_shared<platform::HeadlessImage>("orvel", platform::Size{36, 36})});
    gApp = app.get();
    center = std::make_unique<platform::HeadlessNotificationCenter>(options.grants);
    center->setObserver(this);
    ASSERT_EQ(pipe2(&fds[0], O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(&fds[2], O_CLOEXEC | O_NONBLOCK), 0);
    ASSERT_EQ(pipe2(&fds[4], O_CLOEXEC | O_NONBLOCK), 0);
    ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(std::exchange(fds[1], -1));
    gOutFd = fds[3];
    helper = std::make_shared<Helper>(AgentPlatform{*app, ui, *center, hotKeys},
                                      Streams{fds[0], fds[3], fds[5], nullptr, &recordingWrite});
    app->setDelegate(helper.get());
    app->setActivationPolicyAccessory();
    app->run();
    helper->joinReader();
  }

  void notificationPosted(const platform::NotificationRequest& request) override {
    posted.push_back(request);
    app->record("post " + request.title + "|" + request.body);
  }
  void menuOpened() override {}
  void menuClosed() override {}
  void shareShown(std::string_view) override {}

  std::string drain(int fd) {
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
      text.append(buf, static_cast<std::size_t>(n));
    return text;
  }
  std::string stdoutText() { return drain(fds[2]); }
  std::string stderrText() { return drain(fds[4]); }

  // The calls recorded after the launch sequence ended.
  Calls callsAfterLaunch() const {
    const Calls& all = app->calls();
    auto launched = std::find(all.begin(), all.end(), "launched");
    return Calls(launched == all.end() ? all.end() : launched + 1, all.end());
  }

  platform::HeadlessStatusItem& item() { return *ui.statusBar().items().at(0); }

  platform::HeadlessPlatform ui;
  platform::HeadlessHotKeys hotKeys;
  std::unique_ptr<HeadlessApplication> app;
  std::unique_ptr<platform::HeadlessNotificationCenter> center;
  std::vector<platform::NotificationRequest> posted;
  std::shared_ptr<Helper> helper;
  int fds[6] = {-1, -1, -1, -1, -1, -1};  // input, output and error pipes, read end first
};

TEST_F(HelperTest, LaunchesInOrderAndTerminatesAtOnceOnEmptyInput) {
  runAgent("");
  const Calls expected = {"runningApplication " + std::to_string(getppid()),
                          "setDelegate",
                          "accessory",
                          "run",
                          "bundleImage orvel",
                          "registerBundle",
                          "launched",
                          "terminate"};
  EXPECT_EQ(app->calls(), expected);
  EXPECT_EQ(center->delegate(), helper.get());
  ASSERT_EQ(hotKeys.registrations().size(), 1u);
  const auto& key = hotKeys.registrations()[0];
  EXPECT_EQ(key.keyCode, 37u);
  EXPECT_EQ(key.modifiers, 0x1800u);
  EXPECT_EQ(key.id.signature, 0x4E565843u);  // 'NVXC'
  EXPECT_EQ(key.id.id, 1u);
  ASSERT_NE(helper->status(), nullptr);
  EXPECT_TRUE(item().headlessButton()->image());
  EXPECT_EQ(stdoutText() + stderrText(), "");
}

TEST_F(HelperTest, AppliesMessagesInOrderAndDumpsEveryMenuWhenAsked) {
  setenv("NVX_DUMP_MENU", "1", 1);
  runAgent(std::string(kMenuA) + "\n" + kNote + "\nnot json\n" + kMenuB);
  EXPECT_EQ(stderrText(),
            "bar: [orvel] 1\n(NO ICON) A\n---\n(NO ICON) S\n"
            "bar: [orvel] 2\n(NO ICON) B\n");
  EXPECT_EQ(stdoutText(), "");
  EXPECT_EQ(posted.size(), 1u);
  EXPECT_EQ(app->calls().back(), "terminate");
}

// The parent may write far faster than menus are applied: none is skipped or merged.
TEST_F(HelperTest, AppliesABurstOfMenusOneByOneInOrder) {
  setenv("NVX_DUMP_MENU", "1", 1);
  std::string input, dumps;
  for (int i = 0; i < 500; ++i) {
    input += R"({"menu":{"title":")" + std::to_string(i) +
             R"(","tooltip":"","items":[]}})"
             "\n";
    dumps += "bar: [orvel] " + std::to_string(i) + "\n";
  }
  runAgent(input);
  EXPECT_EQ(stderrText(), dumps);
}

TEST_F(HelperTest, DumpsOnlyWhenTheSwitchIsExactlyOne) {
  for (const char* value : {"true", "01", "", " 1", "1 ", "yes"}) {
    setenv("NVX_DUMP_MENU", value, 1);
    runAgent(std::string(kMenuA) + "\n");
    EXPECT_EQ(stderrText(), "") << '"' << value << '"';
  }
}

TEST_F(HelperTest, UpdatesAndDumpsTheMenuBeforePostingTheNote) {
  setenv("NVX_DUMP_MENU", "1", 1);
  runAgent(R"({"notify":{"title":"T","body":"B"},"menu":{"title":"","tooltip":"","items":[]}})");
  EXPECT_EQ(callsAfterLaunch(), (Calls{"err bar: [orvel]\n", "post T|B", "terminate"}));
  EXPECT_EQ(center->lastAuthorizationOptions(), 6u);  // sound and alert
}

TEST_F(HelperTest, PostsEachNoteWithAFreshIdentifierAndTheDefaultSound) {
  runAgent(std::string(kNote) + "\n" + kNote + "\n" + R"({"notify":{"title":"","body":""}})");
  ASSERT_EQ(posted.size(), 3u);
  for (const auto& r : posted) {
    EXPECT_TRUE(isUuid(r.identifier)) << r.identifier;
    EXPECT_TRUE(r.defaultSound);
  }
  EXPECT_NE(posted[0].identifier, posted[1].identifier);
  EXPECT_EQ(callsAfterLaunch(), (Calls{"post T|B", "post T|B", "post |", "terminate"}));
  EXPECT_EQ(stdoutText() + stderrText(), "");
}

TEST_F(HelperTest, DropsNotesSilentlyWhenAuthorizationIsRefused) {
  runAgent(kNote, {.grants = false});
  EXPECT_TRUE(posted.empty());
  EXPECT_EQ(stdoutText() + stderrText(), "");
}

TEST_F(HelperTest, YieldsToTheParentBeforeWritingExceptForQuietActions) {
  runAgent("");
  for (const char* text : {"open", "website", "alerts", "share", "rate", "a\nb", "Website", "rates",
                           "alert", "\"q\"\\"}) {
    helper->send(text);
  }
  EXPECT_EQ(callsAfterLaunch(),
            (Calls{"terminate", "yield", "out open\n", "out website\n", "out alerts\n",
                   "out share\n", "out rate\n", "yield", "out a\nb\n", "yield", "out Website\n",
                   "yield", "out rates\n", "yield", "out alert\n", "yield", "out \"q\"\\\n"}));
  EXPECT_EQ(stdoutText(),
            "open\nwebsite\nalerts\nshare\nrate\na\nb\nWebsite\nrates\nalert\n\"q\"\\\n");
}

TEST_F(HelperTest, NeverYieldsWithoutAParentApplication) {
  runAgent("", {.parentIsApplication = false});
  helper->send("open");
  helper->send("card");
  EXPECT_EQ(callsAfterLaunch(), (Calls{"terminate", "out open\n", "out card\n"}));
}

TEST_F(HelperTest, ReportsUserActionsAsEventLines) {
  runAgent(kMenuA);
  platform::HeadlessMenu& menu = *item().menu();
  EXPECT_TRUE(menu.headlessItem(0).click());  // "a"
  EXPECT_TRUE(menu.headlessItem(2).click());  // "share", with a share text: the picker
  hotKeys.press();
  EXPECT_TRUE(center->click());  // completion is called before "open" is written
  EXPECT_EQ(stdoutText(), "a\ncard\n");
  EXPECT_EQ(app->runQueued(), 1u);
  EXPECT_EQ(stdoutText(), "open\n");
  ASSERT_EQ(ui.sharePicker()->count(), 1u);
  EXPECT_EQ(ui.sharePicker()->last()->text, "hi");
}

TEST_F(HelperTest, HoldsNoRecordOfTheNotesAndSharesItHandled) {
  runAgent(kMenuA);
  center->setObserver(nullptr);
  platform::HeadlessMenuItem& share = item().menu()->headlessItem(2);
  auto handle = [&](int times) {
    for (int i = 0; i < times; ++i) {
      helper->notify({"T", "B"});
      share.click();
    }
    return heapInUse();
  };
  const std::size_t after1000 = handle(1000);
  EXPECT_LT(handle(9000), after1000 + 64 * 1024);
}

TEST_F(HelperTest, ShowsTheMenuForACheckTwoSecondsAfterLaunchForFourSeconds) {
  setenv("NVX_SHOW_MENU", "1", 1);
  runAgent("");
  platform::HeadlessMenu& menu = *item().menu();
  EXPECT_EQ(ui.clock().nextDue(), std::optional<double>(2.0));
  ui.clock().advance(1.9);
  EXPECT_FALSE(menu.isOpen());
  ui.clock().advance(0.1);
  EXPECT_TRUE(menu.isOpen());
  ui.clock().advance(3.9);
  EXPECT_TRUE(menu.isOpen());
  ui.clock().advance(0.1);
  EXPECT_FALSE(menu.isOpen());
}

TEST_F(HelperTest, ShowsNoMenuForOtherSwitchValues) {
  for (const char* value : {"0", "true", "01", ""}) {
    setenv("NVX_SHOW_MENU", value, 1);
    runAgent("");
    EXPECT_EQ(ui.clock().pendingCount(), 0u) << '"' << value << '"';
  }
}

}  // namespace
}  // namespace nvx
