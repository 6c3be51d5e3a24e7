#include "unlock/UnlockCommand.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FakeUnlockContext.h"
#include "platform/linux/unlock/StdSemaphore.h"
#include "support/Tables.h"

namespace nvx {

std::ostream& operator<<(std::ostream& os, const Verdict& v) {
  return os << '"' << v.word << "\" " << v.status;
}

namespace test {
namespace {

using enum FakeUnlockContext::Outcome;

const Verdict kYes{"yes", 0};
const Verdict kNo{"no", 0};
const Verdict kOk{"ok", 0};
const Verdict kFail{"fail", 1};
constexpr const char* kDefault = "Unlock Norvane";

std::unique_ptr<Semaphore> makeStdSemaphore() {
  return std::make_unique<StdSemaphore>();
}

struct Case : Row {
  std::vector<std::string> args;  // the whole command line, program path first
  bool available;
  long biometry;
  FakeUnlockContext::Outcome outcome;
  Verdict verdict;
  const char* prompt;  // the prompt shown, if any
  bool readsBiometry;  // once, after asking whether the policy can be evaluated
};

const Case kCases[] = {
    {"EmptyCommandLine", {}, true, 1, kGranted, kOk, kDefault, false},
    {"NoArgumentsRefused", {"p"}, true, 1, kRefused, kFail, kDefault, false},
    {"NoArgumentsCancelled", {"p"}, true, 1, kCancelled, kFail, kDefault, false},
    {"CapitalisedCheckAuthenticates", {"p", "Check"}, true, 1, kGranted, kOk, kDefault, false},
    {"EmptyFirstArgumentAuthenticates", {"p", ""}, true, 1, kRefused, kFail, kDefault, false},
    {"CheckInSecondPlaceIsThePrompt", {"p", "x", "check"}, true, 1, kGranted, kOk, "check", false},
    {"EmptyPromptIsPassedAsIs", {"p", "x", "", "z"}, true, 0, kGranted, kOk, "", false},
    {"BadUtf8PromptIsRepaired", {"p", "x", "\xFF"}, true, 0, kGranted, kOk, "\xEF\xBF\xBD", false},
    {"UnavailableFailsWithoutPrompt", {"p"}, false, 1, kGranted, kFail, nullptr, false},
    {"UnavailableWithPromptFails", {"p", "x", "P"}, false, 1, kGranted, kFail, nullptr, false},
    {"CheckWithTouchId", {"p", "check"}, true, 1, kGranted, kYes, nullptr, true},
    {"CheckWithoutSensor", {"p", "check"}, true, 0, kGranted, kNo, nullptr, true},
    {"CheckWithFaceId", {"p", "check"}, true, 2, kGranted, kNo, nullptr, true},
    {"CheckUnavailableReadsNoBiometry", {"p", "check"}, false, 1, kGranted, kNo, nullptr, false},
    {"CheckIgnoresMoreArguments", {"p", "check", "P", "x"}, true, 1, kRefused, kYes, nullptr, true},
};

class UnlockCommandTest : public ::testing::TestWithParam<Case> {};

TEST_P(UnlockCommandTest, PicksCheckOrPromptFromTheArgumentsAndAnswersOneWordAndStatus) {
  const Case& c = GetParam();
  FakeUnlockContext ctx(c.available, c.biometry, c.outcome);
  EXPECT_EQ(runUnlockCommand(c.args, ctx, makeStdSemaphore), c.verdict);
  EXPECT_EQ(ctx.queries, 1);
  EXPECT_EQ(ctx.reasons,
            c.prompt ? std::vector<std::string>{c.prompt} : std::vector<std::string>{});
  EXPECT_EQ(ctx.biometryReadAfterQuery, std::vector<bool>(c.readsBiometry, true));
}

INSTANTIATE_TEST_SUITE_P(Table, UnlockCommandTest, ::testing::ValuesIn(kCases), rowName);

}  // namespace
}  // namespace test
}  // namespace nvx
