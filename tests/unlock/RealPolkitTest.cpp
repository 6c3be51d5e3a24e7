// nvx-unlock as an unprivileged user against the real polkitd on a private bus, with the
// shipped action file and a rules file of the test's own. polkitd reads actions and rules only
// from fixed system folders, so it runs in a mount namespace of its own with temporary folders
// bound over those; the machine's own folders are never touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "PrivateBus.h"
#include "UnlockPeers.h"
#include "platform/linux/unlock/UnlockDbus.h"

namespace nvx::test {
namespace {

using namespace unlockdbus;

constexpr uid_t kNobody = 65534;
constexpr char kPolkitd[] = "/usr/lib/polkit-1/polkitd";

// polkit's implicit authorizations as EnumerateActions reports them.
constexpr guint32 kNotAuthorized = 0;
constexpr guint32 kAuthenticationRequired = 1;

class RealPolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "polkitd must be started as root";
    if (TestProcess({"unshare", "--mount", "true"}, {}).finish().status != 0) {
      GTEST_SKIP() << "no mount namespaces here";
    }
    ASSERT_NE(bus_.connection(), nullptr) << "dbus-daemon did not start";
  }

  // Starts polkitd with our action and, unless `result` is empty, a rule that answers
  // polkit.Result.<result> for it.
  void startPolkitd(const std::string& result) {
    const std::string actions = bus_.dir() + "/actions";
    const std::string rules = bus_.dir() + "/rules";
    const std::string none = bus_.dir() + "/none";
    for (const auto& dir : {actions, rules, none})
      mkdir(dir.c_str(), 0755);
    const std::string policy = actions + "/org.norvane.unlock.policy";
    std::filesystem::copy_file(NVX_UNLOCK_POLICY, policy);
    chmod(policy.c_str(), 0644);  // polkitd reads it as its own user
    if (!result.empty()) {
      std::ofstream(rules + "/50-nvx-unlock-test.rules")
          << "polkit.addRule(function(action, subject) {\n  if (action.id == \"" << kActionId
          << "\") return polkit.Result." << result << ";\n});\n";
    }
    const std::string script = "mount --bind " + actions + " /usr/share/polkit-1/actions" +
                               " && mount --bind " + rules + " /etc/polkit-1/rules.d" +
                               " && mount --bind " + none + " /usr/share/polkit-1/rules.d" +
                               " && exec " + kPolkitd + " --no-debug";
    polkitd_ = bus_.startPeer(
        {"unshare", "--mount", "--propagation", "private", "sh", "-c", script}, kPolkitName);
    ASSERT_TRUE(polkitd_) << "polkitd did not start";
  }

  Outcome runAsNobody(const std::vector<std::string>& args) {
    return TestProcess(unlockCommand(args), bus_.env(), true, kNobody).finish();
  }

  PrivateBus bus_;
  std::unique_ptr<TestProcess> polkitd_;
};

struct RuleCase {
  const char* name;
  const char* result;  // "" for no rule: the action's defaults
  Outcome expected;
};
void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << c.name;
}

const RuleCase kRuleCases[] = {
    {"RuleGrants", "YES", kOk},
    {"RuleRefuses", "NO", kFail},
    {"AuthenticationWithoutAgentFails", "AUTH_SELF", kFail},
    {"DefaultsOutsideAnActiveSessionRefuse", "", kFail},
};

class RealPolkitRuleTest : public RealPolkitTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(RealPolkitRuleTest, VerdictFollowsTheRule) {
  startPolkitd(GetParam().result);
  EXPECT_EQ(runAsNobody({}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, RealPolkitRuleTest, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RealPolkitTest, ActionIsKnownWithItsPromptAndNoCachedAuthorization) {
  startPolkitd("");
  const GVariantPtr reply = bus_.call(kPolkitName, kPolkitPath, kPolkitInterface, kEnumerateActions,
                                      g_variant_new("(s)", ""), "(a(ssssssuuua{ss}))");
  ASSERT_TRUE(reply);
  GVariantIter* actions = nullptr;
  g_variant_get(reply.get(), "(a(ssssssuuua{ss}))", &actions);
  const gchar* id = nullptr;
  const gchar* message = nullptr;
  guint32 any = 99, inactive = 99, active = 99;
  bool found = false;
  while (!found &&
         g_variant_iter_next(actions, "(&ss&ssssuuu@a{ss})", &id, nullptr, &message, nullptr,
                             nullptr, nullptr, &any, &inactive, &active, nullptr)) {
    found = std::string(id) == kActionId;
  }
  g_variant_iter_free(actions);
  ASSERT_TRUE(found);
  EXPECT_STREQ(message, "Unlock Norvane");
  EXPECT_EQ(any, kNotAuthorized);
  EXPECT_EQ(inactive, kNotAuthorized);
  EXPECT_EQ(active, kAuthenticationRequired) << "auth_self, never a _keep variant";
}

TEST_F(RealPolkitTest, CheckSeesTheActionAndAnEnrolledFinger) {
  startPolkitd("");
  const auto fprintd = startFprintd(bus_, kEnrolledFinger);
  ASSERT_TRUE(fprintd);
  EXPECT_EQ(runAsNobody({"check"}), kYes);
}

}  // namespace
}  // namespace nvx::test
