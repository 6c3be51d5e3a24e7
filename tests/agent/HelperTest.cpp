#include "nvx-menubar/Helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless/HeadlessHotKeys.h"
#include "platform/headless/HeadlessImage.h"
#include "platform/headless/HeadlessNotificationCenter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/HeadlessApplication.h"

namespace nvx {
namespace {

using platform::HeadlessApplication;
using Calls = std::vector<std::string>;

constexpr const char* kMenuA =
    R"({"menu":{"title":"1","tooltip":"t","items":[{"id":"a","text":"A"},{},{"id":"share","text":"S"}],"shareText":"hi"}})";
constexpr const char* kMenuB =
    R"({"menu":{"title":"2","tooltip":"t","items":[{"id":"b","text":"B"}]}})";
constexpr const char* kNote = R"({"notify":{"title":"T","body":"B"}})";

// Records the order of authorization requests among the application's calls.
class RecordingCenter final : public platform::NotificationCenter {
 public:
  RecordingCenter(HeadlessApplication& app, bool grants) : app_(app), center_(grants) {}
  void setDelegate(platform::NotificationDelegate* d) override { center_.setDelegate(d); }
  void requestAuthorization(unsigned options, std::function<void(bool)> reply) override {
    app_.record("authorize " + std::to_string(options));
    center_.requestAuthorization(options, std::move(reply));
  }
  void add(platform::NotificationRequest request) override {
    requests.push_back(request);
    center_.add(std::move(request));
  }
  platform::HeadlessNotificationCenter& center() { return center_; }

  std::vector<platform::NotificationRequest> requests;

 private:
  HeadlessApplication& app_;
  platform::HeadlessNotificationCenter center_;
};

HeadlessApplication* gApp = nullptr;
int gOutFd = -1;

// Every write of the agent lands in the application's calls, then in the real descriptor.
ssize_t recordingWrite(int fd, const void* buf, std::size_t count) {
  gApp->record((fd == gOutFd ? "out " : "err ") +
               std::string(static_cast<const char*>(buf), count));
  return ::write(fd, buf, count);
}

struct Options {
  bool parentIsApplication = true;
  bool grants = true;
};

// 8-4-4-4-12 upper-case hex digits, version 4, RFC 4122 variant.
bool isUuidString(const std::string& s) {
  if (s.size() != 36) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
    if (hyphen != (s[i] == '-')) return false;
    if (!hyphen && !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    if (std::islower(static_cast<unsigned char>(s[i]))) return false;
  }
  return s[14] == '4' && std::string_view("89AB").find(s[19]) != std::string_view::npos;
}

class HelperTest : public testing::Test {
 protected:
  void SetUp() override {
    unsetenv("NVX_DUMP_MENU");
    unsetenv("NVX_SHOW_MENU");
  }

  void TearDown() override {
    helper.reset();  // before the platform objects it holds
    gApp = nullptr;
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      close(fd);
  }

  // Runs the agent on `input` until it terminates at end of input.
  void runAgent(const std::string& input, Options options = {}) {
    app = std::make_unique<HeadlessApplication>(HeadlessApplication::Options{
        options.parentIsApplication,
        std::make_shared<platform::HeadlessImage>("orvel", platform::Size{36, 36})});
    gApp = app.get();
    center = std::make_unique<RecordingCenter>(*app, options.grants);
    ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(out, O_CLOEXEC | O_NONBLOCK), 0);
    ASSERT_EQ(pipe2(err, O_CLOEXEC | O_NONBLOCK), 0);
    ASSERT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(std::exchange(in[1], -1));
    gOutFd = out[1];

    helper = std::make_shared<Helper>(AgentPlatform{*app, ui, *center, hotKeys},
                                      Streams{in[0], out[1], err[1], nullptr, &recordingWrite});
    app->setDelegate(helper.get());
    app->setActivationPolicyAccessory();
    app->run();
    helper->joinReader();
  }

  static std::string drain(int fd) {
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
      text.append(buf, static_cast<std::size_t>(n));
    return text;
  }
  std::string stdoutText() { return drain(out[0]); }
  std::string stderrText() { return drain(err[0]); }

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
  std::unique_ptr<RecordingCenter> center;
  std::shared_ptr<Helper> helper;
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
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
  EXPECT_EQ(center->center().delegate(), helper.get());
  ASSERT_EQ(hotKeys.registrations().size(), 1u);
  const auto& key = hotKeys.registrations()[0];
  EXPECT_EQ(key.keyCode, 37u);
  EXPECT_EQ(key.modifiers, 0x1800u);
  EXPECT_EQ(key.id.signature, 0x4E565843u);  // 'NVXC'
  EXPECT_EQ(key.id.id, 1u);
  ASSERT_NE(helper->status(), nullptr);
  EXPECT_TRUE(item().headlessButton()->image());
  EXPECT_EQ(stdoutText(), "");
  EXPECT_EQ(stderrText(), "");
}

TEST_F(HelperTest, AppliesMessagesInOrderAndDumpsEveryMenuWhenAsked) {
  setenv("NVX_DUMP_MENU", "1", 1);
  runAgent(std::string(kMenuA) + "\n" + kNote + "\nnot json\n" + kMenuB);
  EXPECT_EQ(stderrText(),
            "bar: [orvel] 1\n(NO ICON) A\n---\n(NO ICON) S\n"
            "bar: [orvel] 2\n(NO ICON) B\n");
  EXPECT_EQ(stdoutText(), "");
  EXPECT_EQ(center->requests.size(), 1u);
  EXPECT_EQ(app->calls().back(), "terminate");
}

TEST_F(HelperTest, DumpsOnlyWhenTheSwitchIsExactlyOne) {
  for (const char* value : {"true", "01", "", " 1", "1 ", "yes"}) {
    setenv("NVX_DUMP_MENU", value, 1);
    runAgent(std::string(kMenuA) + "\n");
    EXPECT_EQ(stderrText(), "") << '"' << value << '"';
    TearDown();
  }
}

TEST_F(HelperTest, UpdatesAndDumpsTheMenuBeforeRequestingTheNote) {
  setenv("NVX_DUMP_MENU", "1", 1);
  runAgent(R"({"notify":{"title":"T","body":"B"},"menu":{"title":"","tooltip":"","items":[]}})");
  EXPECT_EQ(callsAfterLaunch(), (Calls{"err bar: [orvel]\n", "authorize 6", "terminate"}));
  ASSERT_EQ(center->requests.size(), 1u);
}

TEST_F(HelperTest, PostsEachNoteWithAFreshIdentifierAndTheDefaultSound) {
  runAgent(std::string(kNote) + "\n" + kNote + "\n" + R"({"notify":{"title":"","body":""}})");
  const auto& requests = center->requests;
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& r : requests) {
    EXPECT_TRUE(isUuidString(r.identifier)) << r.identifier;
    EXPECT_TRUE(r.defaultSound);
  }
  EXPECT_NE(requests[0].identifier, requests[1].identifier);
  EXPECT_EQ(requests[0].title, "T");
  EXPECT_EQ(requests[0].body, "B");
  EXPECT_EQ(requests[2].title, "");
  EXPECT_EQ(stdoutText() + stderrText(), "");
}

TEST_F(HelperTest, DropsNotesSilentlyWhenAuthorizationIsRefused) {
  runAgent(kNote, {.grants = false});
  EXPECT_TRUE(center->requests.empty());
  EXPECT_EQ(stdoutText() + stderrText(), "");
}

TEST_F(HelperTest, YieldsToTheParentBeforeWritingExceptForQuietActions) {
  runAgent("");
  for (const char* text : {"open", "website", "alerts", "share", "rate", "a\nb", "Website"}) {
    helper->send(text);
  }
  EXPECT_EQ(callsAfterLaunch(),
            (Calls{"terminate", "yield", "out open\n", "out website\n", "out alerts\n",
                   "out share\n", "out rate\n", "yield", "out a\nb\n", "yield", "out Website\n"}));
  EXPECT_EQ(stdoutText(), "open\nwebsite\nalerts\nshare\nrate\na\nb\nWebsite\n");
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
  EXPECT_TRUE(center->center().click());  // completion is called before "open" is written
  EXPECT_EQ(stdoutText(), "a\ncard\n");
  EXPECT_EQ(app->runQueued(), 1u);
  EXPECT_EQ(stdoutText(), "open\n");
  ASSERT_EQ(ui.sharePicker()->count(), 1u);
  EXPECT_EQ(ui.sharePicker()->last()->text, "hi");
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
    TearDown();
  }
}

}  // namespace
}  // namespace nvx
