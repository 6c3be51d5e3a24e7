#include "nvx-menubar/Helper.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/headless/HeadlessHotKeys.h"
#include "platform/headless/HeadlessImage.h"
#include "platform/headless/HeadlessNotificationCenter.h"
#include "platform/headless/HeadlessToolkit.h"
#include "support/Agent.h"
#include "support/HeadlessApplication.h"
#include "support/Tables.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();  // the ASan runtime's
#endif

namespace nvx {
namespace {

using platform::HeadlessApplication;
using Calls = std::vector<std::string>;

const std::string kMenuA = test::menuJson(
    "1", R"({"id":"a","text":"A"},{},{"id":"share","text":"S"})", R"(,"shareText":"hi")");
const std::string kMenuB = test::menuJson("2", R"({"id":"b","text":"B"})");
const std::string kNote = test::noteJson("T", "B");

HeadlessApplication* gApp = nullptr;

// Every write of the agent lands in the application's calls, as "out ..." or "err ...".
ssize_t recordingWrite(int fd, const void* buf, std::size_t count) {
  gApp->record((fd == 1 ? "out " : "err ") + std::string(static_cast<const char*>(buf), count));
  return static_cast<ssize_t>(count);
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

// The stack size of the thread that last read the agent's input.
std::size_t gReaderStack = 0;

ssize_t stackRecordingRead(int fd, void* buf, std::size_t count) {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstacksize(&attr, &gReaderStack);
    pthread_attr_destroy(&attr);
  }
  return read(fd, buf, count);
}

struct Options {
  bool parentIsApplication = true;
  bool grants = true;
  LineReader::ReadFn read = nullptr;
};

// The agent on the in-memory platform, reading a pipe; the notes it posts are recorded among
// the application's calls.
class HelperTest : public testing::Test, public platform::HeadlessObserver {
 protected:
  void SetUp() override {
    unsetenv("NVX_DUMP_MENU");
    unsetenv("NVX_SHOW_MENU");
  }
  // Runs the agent on `input` until it terminates at end of input, having released the agent
  // of the last run before the platform objects it holds.
  void runAgent(const std::string& input, Options options = {}) {
    helper.reset();
    app = std::make_unique<HeadlessApplication>(HeadlessApplication::Options{
        options.parentIsApplication,
        std::make_shared<platform::HeadlessImage>("orvel", platform::Size{36, 36})});
    gApp = app.get();
    center = std::make_unique<platform::HeadlessNotificationCenter>(options.grants);
    center->setObserver(this);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(fds[1]);
    helper = std::make_shared<Helper>(AgentPlatform{*app, ui, *center, hotKeys},
                                      Streams{fds[0], 1, 2, options.read, &recordingWrite});
    app->setDelegate(helper.get());
    app->run();
    helper->joinReader();
    close(fds[0]);
  }

  void notificationPosted(const platform::NotificationRequest& request) override {
    posted.push_back(request);
    app->record("post " + request.title + "|" + request.body);
  }
  void menuOpened() override {}
  void menuClosed() override {}
  void shareShown(std::string_view) override {}

  // All the agent wrote to standard output ("out ") or error ("err ") in this run.
  std::string written(std::string_view stream) const {
    std::string text;
    for (const std::string& call : app->calls()) {
      if (call.starts_with(stream)) text += call.substr(stream.size());
    }
    return text;
  }

  // The calls recorded after the launch sequence ended.
  Calls callsAfterLaunch() const {
    const Calls& all = app->calls();
    auto launched = std::find(all.begin(), all.end(), "launched");
    return Calls(launched == all.end() ? all.end() : launched + 1, all.end());
  }

  platform::HeadlessStatusItem& item() { return *ui.statusBar().items().at(0); }

  platform::HeadlessToolkit ui;
  platform::HeadlessHotKeys hotKeys;
  std::unique_ptr<HeadlessApplication> app;
  std::unique_ptr<platform::HeadlessNotificationCenter> center;
  std::vector<platform::NotificationRequest> posted;
  std::shared_ptr<Helper> helper;
};

// The agent asks for its parent, then for its picture and the registration of its bundle as it
// launches.
TEST_F(HelperTest, LaunchesAndTerminatesAtOnceOnEmptyInput) {
  runAgent("");
  EXPECT_EQ(app->calls(), (Calls{"runningApplication " + std::to_string(getppid()),
                                 "bundleImage orvel", "registerBundle", "launched", "terminate"}));
  ASSERT_EQ(hotKeys.registrations().size(), 1u);
  const auto& key = hotKeys.registrations()[0];  // the id's signature is 'NVXC'
  EXPECT_EQ(std::tie(key.keyCode, key.modifiers, key.id.signature, key.id.id),
            std::tuple(37u, 0x1800u, 0x4E565843u, 1u));
}

TEST_F(HelperTest, AppliesEachLineInOrderEachMenuBeforeItsNoteAndDumpsMenusWhenAsked) {
  setenv("NVX_DUMP_MENU", "1", 1);
  runAgent(kMenuA + "\n" + kNote + "\nnot json\n" +
           R"({"notify":{"title":"T","body":"B"},"menu":{"title":"","tooltip":"","items":[]}})" +
           "\n" + kMenuB);
  EXPECT_EQ(callsAfterLaunch(), (Calls{"err bar: [orvel] 1\n(NO ICON) A\n---\n(NO ICON) S\n",
                                       "post T|B", "err bar: [orvel]\n", "post T|B",
                                       "err bar: [orvel] 2\n(NO ICON) B\n", "terminate"}));
  EXPECT_EQ(center->lastAuthorizationOptions(), 6u);  // sound and alert
}

// The system's default for new threads is small on macOS (512 KiB); made as small here, it
// must not reach the reader.
TEST_F(HelperTest, ReadsOnAThreadWithAnEightMebibyteStackWhateverTheDefault) {
  pthread_attr_t saved, small;
  ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
  ASSERT_EQ(pthread_attr_init(&small), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&small, std::size_t{512} << 10), 0);
  ASSERT_EQ(pthread_setattr_default_np(&small), 0);
  runAgent(kMenuA + "\n", {.read = &stackRecordingRead});
  pthread_setattr_default_np(&saved);
  pthread_attr_destroy(&small);
  pthread_attr_destroy(&saved);
  EXPECT_EQ(gReaderStack, std::size_t{8} << 20);
}

// The parent may write far faster than menus are applied: none is skipped or merged.
TEST_F(HelperTest, AppliesABurstOfMenusOneByOneInOrder) {
  setenv("NVX_DUMP_MENU", "1", 1);
  std::string input, dumps;
  for (int i = 0; i < 500; ++i) {
    input += test::menuJson(std::to_string(i)) + "\n";
    dumps += "bar: [orvel] " + std::to_string(i) + "\n";
  }
  runAgent(input);
  EXPECT_EQ(written("err "), dumps);
}

TEST_F(HelperTest, DumpsAndShowsTheMenuOnlyWhenTheirSwitchIsExactlyOne) {
  for (const char* value : {"true", "01", "", " 1", "1 ", "yes", "0"}) {
    setenv("NVX_DUMP_MENU", value, 1);
    setenv("NVX_SHOW_MENU", value, 1);
    runAgent(kMenuA + "\n");
    EXPECT_EQ(written("err "), "") << '"' << value << '"';
    EXPECT_EQ(ui.clock().pendingCount(), 0u) << '"' << value << '"';
  }
}

TEST_F(HelperTest, PostsEachNoteWithAFreshIdentifierAndTheDefaultSound) {
  runAgent(kNote + "\n" + kNote + "\n" + test::noteJson("", ""));
  ASSERT_EQ(posted.size(), 3u);
  for (const auto& r : posted) {
    // An upper-case version 4 UUID of the RFC 4122 variant.
    EXPECT_TRUE(g_regex_match_simple(
        "^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$",
        r.identifier.c_str(), G_REGEX_DEFAULT, G_REGEX_MATCH_DEFAULT))
        << r.identifier;
    EXPECT_TRUE(r.defaultSound);
  }
  EXPECT_NE(posted[0].identifier, posted[1].identifier);
  EXPECT_EQ(callsAfterLaunch(), (Calls{"post T|B", "post T|B", "post |", "terminate"}));
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
}

// Posts and writes show among the calls: a refused note leaves no trace.
TEST_F(HelperTest, NeverYieldsWithoutAParentApplicationAndDropsNotesSilentlyWhenRefused) {
  runAgent(kNote, {.parentIsApplication = false, .grants = false});
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
  EXPECT_EQ(written("out "), "a\ncard\n");
  EXPECT_EQ(app->runQueued(), 1u);
  EXPECT_EQ(written("out "), "a\ncard\nopen\n");
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
  EXPECT_EQ(ui.clock().nextDue(), std::optional<double>(2.0));
  struct Step : test::Row {
    double after;
    bool opened;
  };
  for (const Step& row : {Step{"BeforeTwo", 1.9, false}, Step{"AtTwo", 0.1, true},
                          Step{"BeforeSix", 3.9, true}, Step{"AtSix", 0.1, false}}) {
    ui.clock().advance(row.after);
    EXPECT_EQ(item().menu()->isOpen(), row.opened) << row.name << " " << ui.clock().now();
  }
}

}  // namespace
}  // namespace nvx
