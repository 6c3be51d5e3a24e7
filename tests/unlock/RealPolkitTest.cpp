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

#include "UnlockPeers.h"
#include "support/Tables.h"

namespace nvx::test {
namespace {

using namespace unlockdbus;

constexpr uid_t kNobody = 65534;
constexpr char kPolkitd[] = "/usr/lib/polkit-1/polkitd";

class RealPolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "polkitd must be started as root";
    if (ChildProcess({.argv = {"unshare", "--mount", "true"}}).finish().status != 0) {
      GTEST_SKIP() << "no mount namespaces here";
    }
    ASSERT_NE(bus_.connection(), nullptr) << "dbus-daemon did not start";
  }

  // Starts polkitd with our action and, unless `result` is empty, a rule that answers
  // polkit.Result.<result> for it.
  void startPolkitd(const std::string& result) {
    const std::string dir = bus_.dir();
    for (const char* sub : {"/actions", "/rules", "/none"})
      mkdir((dir + sub).c_str(), 0755);
    const std::string policy = dir + "/actions/org.norvane.unlock.policy";
    std::filesystem::copy_file(NVX_UNLOCK_POLICY, policy);
    chmod(policy.c_str(), 0644);  // polkitd reads it as its own user
    if (!result.empty())
      std::ofstream(dir + "/rules/50-nvx-unlock-test.rules")
          << "polkit.addRule(function(action, subject) {\n  if (action.id == \"" << kActionId
          << "\") return polkit.Result." << result << ";\n});\n";
    const std::string script = "mount --bind " + dir + "/actions /usr/share/polkit-1/actions" +
                               " && mount --bind " + dir + "/rules /etc/polkit-1/rules.d" +
                               " && mount --bind " + dir + "/none /usr/share/polkit-1/rules.d" +
                               " && exec " + kPolkitd + " --no-debug";
    polkitd_ = bus_.startPeer(
        {"unshare", "--mount", "--propagation", "private", "sh", "-c", script}, kPolkitName);
    ASSERT_TRUE(polkitd_) << "polkitd did not start";
  }

  PrivateBus bus_;
  std::unique_ptr<ChildProcess> polkitd_;
};

struct RuleCase : Row {
  const char* result;  // "" for no rule: the action's defaults
  Outcome expected;
};

const RuleCase kRuleCases[] = {
    {"RuleGrants", "YES", kOk},
    {"RuleRefuses", "NO", kFail},
    {"AuthenticationWithoutAgentFails", "AUTH_SELF", kFail},
    {"DefaultsOutsideAnActiveSessionRefuse", "", kFail},
};

class RealPolkitRuleTest : public RealPolkitTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(RealPolkitRuleTest, VerdictFollowsTheRule) {
  startPolkitd(GetParam().result);
  EXPECT_EQ(ChildProcess(unlockCommand(bus_, {}, kNobody)).finish(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, RealPolkitRuleTest, ::testing::ValuesIn(kRuleCases), rowName);

// Implicit authorizations 0 (no) for any and inactive sessions, 1 (auth_self, never a _keep
// variant) for the active one.
TEST_F(RealPolkitTest, ActionIsKnownWithItsPromptAndNoCachedAuthorization) {
  startPolkitd("");
  const GVariantPtr reply = bus_.call(kPolkitName, kPolkitPath, kPolkitInterface, kEnumerateActions,
                                      g_variant_new("(s)", ""), "(a(ssssssuuua{ss}))");
  ASSERT_TRUE(reply);
  const std::string printed = GCharPtr(g_variant_print(reply.get(), FALSE)).get();
  // The whole entry, from its opening parenthesis to its closing one.
  EXPECT_NE(printed.find("('org.norvane.unlock', 'Confirm that the device owner is present', "
                         "'Unlock Norvane', 'Norvane', '', 'dialog-password', 0, 0, 1, {})"),
            std::string::npos)
      << printed;
}

}  // namespace
}  // namespace nvx::test
