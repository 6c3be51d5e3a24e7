// nvx-unlock as built, against a polkit authority (python-dbusmock's template) and an fprintd
// peer (fprintd_peer.py) on a private bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "UnlockPeers.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace unlockdbus;

constexpr char kMockInterface[] = "org.freedesktop.DBus.Mock";
// fprintd_peer.py parameters: a default device with one finger enrolled.
constexpr char kEnrolledFinger[] = R"({"device": true, "fingers": ["right-index-finger"]})";

// An authority method: its reply signature and the Python that answers.
struct Method {
  const char* out;
  const char* code;
};

constexpr char kVerdict[] = "(bba{ss})";  // authorized, challenge, details
constexpr Method kGrants{kVerdict, "ret = (True, False, {})"};
constexpr Method kFails{kVerdict,
                        "raise dbus.exceptions.DBusException('no', "
                        "name='org.freedesktop.PolicyKit1.Error.Failed')"};
constexpr Method kListsOurs{"a(ssssssuuua{ss})",
                            "ret = [('org.norvane.unlock', '', 'Unlock Norvane', 'Norvane', '', "
                            "'', 0, 0, 1, {})]"};
constexpr Method kListsAnother{"a(ssssssuuua{ss})",
                               "ret = [('org.example.other', '', '', '', '', '', 0, 0, 1, {})]"};
constexpr Method kListsIdsOnly{"as", "ret = ['org.norvane.unlock']"};

class LinuxUnlockTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(bus_.connection(), nullptr) << "dbus-daemon did not start"; }

  // python-dbusmock's authority, listing actions as `enumerate` says, answering checks with
  // `check`, or by itself (granting, and able to hang) when that is null.
  void startPolkit(const Method* check = nullptr, Method enumerate = kListsOurs) {
    polkit_ = bus_.startPeer({kPython, "-m", "dbusmock", "--system", "-t", "polkitd"}, kPolkitName);
    ASSERT_TRUE(polkit_) << "polkit mock did not start";
    ASSERT_TRUE(check || mock("SetAllowed", g_variant_new_parsed("([%s],)", kActionId)));
    addMethod(kEnumerateActions, "s", enumerate);
    if (check) addMethod(kCheckAuthorization, "(sa{sv})sa{ss}us", *check);
  }

  void addMethod(const char* name, const char* in, Method m) {
    ASSERT_TRUE(
        mock("AddMethod", g_variant_new("(sssss)", kPolkitInterface, name, in, m.out, m.code)));
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

  // Starts nvx-unlock and waits until its check has reached the (hanging) authority.
  std::unique_ptr<ChildProcess> startHangingCheck() {
    EXPECT_TRUE(mock("SimulateHang", g_variant_new("(b)", TRUE)));
    auto child = std::make_unique<ChildProcess>(unlockCommand(bus_, {}));
    EXPECT_TRUE(spinUntil([&] { return !checks().empty(); })) << "no CheckAuthorization arrived";
    return child;
  }

  PrivateBus bus_;
  std::unique_ptr<ChildProcess> polkit_;
  std::unique_ptr<ChildProcess> fprintd_;
};

// A run against the peers a row puts on the bus. The authority is asked to check only when it
// knows our action and the run authenticates.
struct RunCase : Row {
  std::vector<std::string> args;
  std::optional<Method> check;      // the authority's answer; none: no authority at all
  std::optional<Method> enumerate;  // replaces the listing of our action
  const char* fprintd;              // peer parameters; nullptr: no fprintd
  Outcome expected;
};

const RunCase kRunCases[] = {
    {"Granted", {}, kGrants, {}, nullptr, kOk},
    {"Refused", {}, Method{kVerdict, "ret = (False, False, {})"}, {}, nullptr, kFail},
    {"ChallengeWithoutAgent", {}, Method{kVerdict, "ret = (False, True, {})"}, {}, nullptr, kFail},
    {"AuthorizedYetChallenged", {}, Method{kVerdict, "ret = (True, True, {})"}, {}, nullptr, kFail},
    {"Error", {}, kFails, {}, nullptr, kFail},
    {"ReplyMissingDetails", {}, Method{"(bb)", "ret = (True, False)"}, {}, nullptr, kFail},
    {"NoAuthorityFails", {}, {}, {}, kEnrolledFinger, kFail},
    {"NoAuthorityChecksNo", {"check"}, {}, {}, kEnrolledFinger, kNo},
    {"ActionUnknownFails", {}, kGrants, kListsAnother, kEnrolledFinger, kFail},
    {"ActionUnknownChecksNo", {"check"}, kGrants, kListsAnother, kEnrolledFinger, kNo},
    {"ListingOfAnotherType", {}, kGrants, kListsIdsOnly, kEnrolledFinger, kFail},
    {"EnrolledFingerChecksYes", {"check"}, kGrants, {}, kEnrolledFinger, kYes},
    {"NoFprintdChecksNo", {"check"}, kGrants, {}, nullptr, kNo},
    {"NoEnrolledPrintsChecksNo", {"check"}, kGrants, {}, R"({"device": true})", kNo},
};

class RunTest : public LinuxUnlockTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunTest, AnswersFromTheAuthorityAndTheSensor) {
  const RunCase& c = GetParam();
  if (c.check) startPolkit(&*c.check, c.enumerate.value_or(kListsOurs));
  if (c.fprintd) {
    fprintd_ = bus_.startPeer(
        {kPython, "-m", "dbusmock", "--system", "-t", NVX_FPRINTD_PEER, "-p", c.fprintd},
        kFprintName);
    ASSERT_TRUE(fprintd_) << "fprintd peer did not start";
  }
  // With GLib's debug output on, which must reach neither stream.
  auto options = unlockCommand(bus_, c.args);
  options.env.insert({{"G_DBUS_DEBUG", "all"}, {"G_MESSAGES_DEBUG", "all"}});
  EXPECT_EQ(ChildProcess(options).finish(), c.expected);
  EXPECT_EQ(checks().size(), c.check && !c.enumerate && c.args.empty() ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, RunTest, ::testing::ValuesIn(kRunCases), rowName);

TEST(LinuxUnlock, WithoutASystemBusFailsAndChecksNo) {
  const Env env{{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/nvx-unlock-bus"}};
  EXPECT_EQ(ChildProcess({.argv = {NVX_UNLOCK_BINARY}, .env = env}).finish(), kFail);
  EXPECT_EQ(ChildProcess({.argv = {NVX_UNLOCK_BINARY, "check"}, .env = env}).finish(), kNo);
}

TEST_F(LinuxUnlockTest, AsksForItselfInteractivelyWithoutDetails) {
  startPolkit();
  ChildProcess child(unlockCommand(bus_, {"open", "Custom prompt"}));
  const std::string pid = std::to_string(child.pid());
  ASSERT_EQ(child.finish(), kOk);

  const auto calls = checks();
  ASSERT_EQ(calls.size(), 1u);
  // The start time differs per run: a positive number.
  const std::unique_ptr<GRegex, GFree<g_regex_unref>> startTime(g_regex_new(
      "'start-time': <uint64 [1-9][0-9]*>", G_REGEX_DEFAULT, G_REGEX_MATCH_DEFAULT, nullptr));
  const GCharPtr printed(g_regex_replace_literal(
      startTime.get(), calls[0].c_str(), -1, 0, "'start-time': T", G_REGEX_MATCH_DEFAULT, nullptr));
  // Subject, action, details (none: the prompt is not sent), AllowUserInteraction, cancellation.
  EXPECT_EQ(std::string(printed.get()),
            "[<('unix-process', {'pid': <uint32 " + pid + ">, 'start-time': T, 'uid': <" +
                std::to_string(getuid()) +
                ">})>, <'org.norvane.unlock'>, <@a{ss} {}>, <uint32 1>, <'nvx-unlock'>]");
}

TEST_F(LinuxUnlockTest, ASignalWhileTheDialogIsUpEndsItWithoutAWord) {
  startPolkit();
  const auto child = startHangingCheck();
  child->signal(SIGTERM);
  EXPECT_EQ(child->finish(), (Outcome{"", "", -1, SIGTERM}));
}

TEST_F(LinuxUnlockTest, AuthorityThenBusVanishingMidCheckFails) {
  startPolkit();
  auto child = startHangingCheck();
  polkit_.reset();
  EXPECT_EQ(child->finish(), kFail);
  startPolkit();
  child = startHangingCheck();
  bus_.kill();
  EXPECT_EQ(child->finish(), kFail);
}

}  // namespace
}  // namespace nvx::test
