// nvx-unlock as built, against a polkit authority (python-dbusmock's template) and an fprintd
// peer (fprintd_peer.py) on a private bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "UnlockPeers.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace unlockdbus;

constexpr char kMockInterface[] = "org.freedesktop.DBus.Mock";
constexpr char kOtherAction[] = "org.example.other";
// fprintd_peer.py parameters: a default device with one finger enrolled.
constexpr char kEnrolledFinger[] = R"({"device": true, "fingers": ["right-index-finger"]})";

class LinuxUnlockTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(bus_.connection(), nullptr) << "dbus-daemon did not start"; }

  // The template refuses every action unless granted; it has no EnumerateActions of its own.
  void startPolkit(bool grant, const char* knownAction = kActionId) {
    polkit_ = bus_.startPeer({kPython, "-m", "dbusmock", "--system", "-t", "polkitd"}, kPolkitName);
    ASSERT_TRUE(polkit_) << "polkit mock did not start";
    ASSERT_TRUE(!grant || mock("SetAllowed", g_variant_new_parsed("([%s],)", kActionId)));
    setPolkitMethod(kEnumerateActions, "s", "a(ssssssuuua{ss})",
                    std::string("ret = [('") + knownAction +
                        "', '', 'Unlock Norvane', 'Norvane', '', '', 0, 0, 1, {})]");
  }

  // Replaces (or adds) an authority method by one running `code`.
  void setPolkitMethod(const char* method, const char* in, const char* out,
                       const std::string& code) {
    ASSERT_TRUE(mock("AddMethod",
                     g_variant_new("(sssss)", kPolkitInterface, method, in, out, code.c_str())));
  }

  void startFprintdPeer(const char* parameters) {
    fprintd_ = bus_.startPeer(
        {kPython, "-m", "dbusmock", "--system", "-t", NVX_FPRINTD_PEER, "-p", parameters},
        kFprintName);
    ASSERT_TRUE(fprintd_) << "fprintd peer did not start";
  }

  GVariantPtr mock(const char* method, GVariant* args) {
    return bus_.call(kPolkitName, kPolkitPath, kMockInterface, method, args);
  }

  // The authority's CheckAuthorization calls so far, each its arguments as printed.
  Lines checks() {
    Lines found;
    const GVariantPtr reply = mock("GetMethodCalls", g_variant_new("(s)", kCheckAuthorization));
    GVariantIter* calls = nullptr;
    if (reply) g_variant_get(reply.get(), "(a(tav))", &calls);
    GVariant* args = nullptr;
    while (calls && g_variant_iter_loop(calls, "(t@av)", nullptr, &args))
      found.push_back(GCharPtr(g_variant_print(args, FALSE)).get());
    if (calls) g_variant_iter_free(calls);
    return found;
  }

  // With GLib's debug output on, which must reach neither stream.
  Outcome run(const std::vector<std::string>& args) {
    auto options = unlockCommand(bus_, args);
    options.env.insert({{"G_DBUS_DEBUG", "all"}, {"G_MESSAGES_DEBUG", "all"}});
    return ChildProcess(options).finish();
  }

  // Starts nvx-unlock and waits until its check has reached the (hanging) authority.
  std::unique_ptr<ChildProcess> startHangingCheck() {
    EXPECT_TRUE(mock("SimulateHang", g_variant_new("(b)", TRUE)));
    auto child = std::make_unique<ChildProcess>(unlockCommand(bus_, {}));
    EXPECT_TRUE(waitFor([&] { return !checks().empty(); })) << "no CheckAuthorization arrived";
    return child;
  }

  PrivateBus bus_;
  std::unique_ptr<ChildProcess> polkit_;
  std::unique_ptr<ChildProcess> fprintd_;
};

// CheckAuthorization answers; nullptr code keeps the template's own (granting when `grant`).
struct AuthorityCase : Row {
  bool grant;
  const char* out;
  const char* code;
  Outcome expected;
};

const AuthorityCase kAuthorityCases[] = {
    {"Granted", true, nullptr, nullptr, kOk},
    {"Refused", false, nullptr, nullptr, kFail},
    {"ChallengeWithoutAgent", true, "(bba{ss})", "ret = (False, True, {})", kFail},
    {"AuthorizedYetChallenged", true, "(bba{ss})", "ret = (True, True, {})", kFail},
    {"Error", true, "(bba{ss})",
     "raise dbus.exceptions.DBusException('no', name='org.freedesktop.PolicyKit1.Error.Failed')",
     kFail},
    {"ReplyMissingDetails", true, "(bb)", "ret = (True, False)", kFail},
};

class AuthorityTest : public LinuxUnlockTest,
                      public ::testing::WithParamInterface<AuthorityCase> {};

TEST_P(AuthorityTest, VerdictFollowsTheAuthority) {
  const AuthorityCase& c = GetParam();
  startPolkit(c.grant);
  if (c.code) setPolkitMethod(kCheckAuthorization, "(sa{sv})sa{ss}us", c.out, c.code);
  EXPECT_EQ(run({}), c.expected);
  EXPECT_EQ(checks().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, AuthorityTest, ::testing::ValuesIn(kAuthorityCases), rowName);

// The authority cannot be used: every run fails (or says "no") without asking it to check.
struct UnavailableCase : Row {
  bool authority;             // a polkit authority on the bus at all
  const char* enumerateOut;   // with `enumerateCode`, replaces its EnumerateActions
  const char* enumerateCode;  // nullptr: it lists only another action
};

const UnavailableCase kUnavailableCases[] = {
    {"NoAuthority", false, nullptr, nullptr},
    {"ActionUnknown", true, nullptr, nullptr},
    {"EnumerateActionsOfAnotherType", true, "as", "ret = ['org.norvane.unlock']"},
};

class UnavailableTest : public LinuxUnlockTest,
                        public ::testing::WithParamInterface<UnavailableCase> {};

TEST_P(UnavailableTest, FailsWithoutPromptAndChecksNo) {
  const UnavailableCase& c = GetParam();
  if (c.authority) startPolkit(true, c.enumerateCode ? kActionId : kOtherAction);
  if (c.enumerateCode) setPolkitMethod(kEnumerateActions, "s", c.enumerateOut, c.enumerateCode);
  startFprintdPeer(kEnrolledFinger);

  EXPECT_EQ(run({}), kFail);
  EXPECT_EQ(run({"check"}), kNo);
  EXPECT_TRUE(checks().empty());
}

INSTANTIATE_TEST_SUITE_P(Table, UnavailableTest, ::testing::ValuesIn(kUnavailableCases), rowName);

TEST(LinuxUnlock, WithoutASystemBusFailsAndChecksNo) {
  const Env env{{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/nvx-unlock-bus"}};
  EXPECT_EQ(ChildProcess({.argv = {NVX_UNLOCK_BINARY}, .env = env}).finish(), kFail);
  EXPECT_EQ(ChildProcess({.argv = {NVX_UNLOCK_BINARY, "check"}, .env = env}).finish(), kNo);
}

struct SensorCase : Row {
  const char* fprintd;  // peer parameters; nullptr: no fprintd on the bus
  Outcome expected;
};

const SensorCase kSensorCases[] = {
    {"EnrolledFingerIsYes", kEnrolledFinger, kYes},
    {"NoFprintdIsNo", nullptr, kNo},
    {"NoEnrolledPrintsIsNo", R"({"device": true})", kNo},
};

class SensorTest : public LinuxUnlockTest, public ::testing::WithParamInterface<SensorCase> {};

TEST_P(SensorTest, CheckAnswersFromFprintd) {
  const SensorCase& c = GetParam();
  startPolkit(true);
  if (c.fprintd) startFprintdPeer(c.fprintd);
  EXPECT_EQ(run({"check"}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SensorTest, ::testing::ValuesIn(kSensorCases), rowName);

TEST_F(LinuxUnlockTest, AsksForItselfInteractivelyWithoutDetails) {
  startPolkit(true);
  ChildProcess child(unlockCommand(bus_, {"open", "Custom prompt"}));
  const std::string pid = std::to_string(child.pid());
  ASSERT_EQ(child.finish(), kOk);

  const auto calls = checks();
  ASSERT_EQ(calls.size(), 1u);
  // The start time differs per run: a positive number, then the whole call compares exactly.
  std::string printed = calls[0];
  const std::string startTime = "'start-time': <uint64 ";
  const auto at = printed.find(startTime);
  ASSERT_NE(at, std::string::npos) << printed;
  const auto from = at + startTime.size();
  EXPECT_GT(std::atoll(printed.c_str() + from), 0) << printed;
  printed.replace(from, printed.find('>', from) - from, "T");
  // Subject, action, details (none: the prompt is not sent), AllowUserInteraction, cancellation.
  EXPECT_EQ(printed, "[<('unix-process', {'pid': <uint32 " + pid + ">, " + startTime + "T>, " +
                         "'uid': <" + std::to_string(getuid()) + ">})>, " +
                         "<'org.norvane.unlock'>, <@a{ss} {}>, <uint32 1>, <'nvx-unlock'>]");
}

class SignalTest : public LinuxUnlockTest, public ::testing::WithParamInterface<int> {};

TEST_P(SignalTest, SignalWhileTheDialogIsUpEndsWithoutAWord) {
  startPolkit(true);
  const auto child = startHangingCheck();
  child->signal(GetParam());
  EXPECT_EQ(child->finish(), (Outcome{"", "", -1, GetParam()}));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST_F(LinuxUnlockTest, AuthorityThenBusVanishingMidCheckFails) {
  startPolkit(true);
  auto child = startHangingCheck();
  polkit_.reset();
  EXPECT_EQ(child->finish(), kFail);
  startPolkit(true);
  child = startHangingCheck();
  bus_.kill();
  EXPECT_EQ(child->finish(), kFail);
}

}  // namespace
}  // namespace nvx::test
