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
  std::vector<std::string> args;  // after the program path
  bool available;
  long biometry;
  FakeUnlockContext::Outcome outcome;
  Verdict verdict;
  const char* prompt;  // the prompt shown, if any
  bool readsBiometry;  // once, after asking whether the policy can be evaluated
};

const Case kCases[] = {
    {"NoArgumentsGranted", {}, true, 0, kGranted, kOk, kDefault, false},
    {"NoArgumentsRefused", {}, true, 1, kRefused, kFail, kDefault, false},
    {"NoArgumentsCancelled", {}, true, 1, kCancelled, kFail, kDefault, false},
    {"OneWordIsNotCheck", {"open"}, true, 0, kGranted, kOk, kDefault, false},
    {"CapitalisedCheckAuthenticates", {"Check"}, true, 1, kGranted, kOk, kDefault, false},
    {"EmptyFirstArgumentAuthenticates", {""}, true, 1, kRefused, kFail, kDefault, false},
    {"SecondArgumentIsThePrompt", {"open", "Show"}, true, 0, kGranted, kOk, "Show", false},
    {"CheckInSecondPlaceIsThePrompt", {"x", "check"}, true, 1, kGranted, kOk, "check", false},
    {"EmptyPromptIsPassedAsIs", {"x", "", "z"}, true, 0, kGranted, kOk, "", false},
    {"UnavailableFailsWithoutPrompt", {}, false, 1, kGranted, kFail, nullptr, false},
    {"UnavailableWithPromptFails", {"x", "Prompt"}, false, 1, kGranted, kFail, nullptr, false},
    {"CheckWithTouchId", {"check"}, true, 1, kGranted, kYes, nullptr, true},
    {"CheckWithoutSensor", {"check"}, true, 0, kGranted, kNo, nullptr, true},
    {"CheckWithFaceId", {"check"}, true, 2, kGranted, kNo, nullptr, true},
    {"CheckWithOpticId", {"check"}, true, 4, kGranted, kNo, nullptr, true},
    {"CheckUnavailableDoesNotReadBiometry", {"check"}, false, 1, kGranted, kNo, nullptr, false},
    {"CheckIgnoresFurtherArguments",
     {"check", "P", "more"},
     true,
     1,
     kRefused,
     kYes,
     nullptr,
     true},
};

class UnlockCommandTest : public ::testing::TestWithParam<Case> {};

TEST_P(UnlockCommandTest, AnswersAsTheCommandTableSays) {
  const Case& c = GetParam();
  std::vector<std::string> args{"/usr/bin/nvx-unlock"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  FakeUnlockContext ctx(c.available, c.biometry, c.outcome);

  EXPECT_EQ(runUnlockCommand(args, ctx, makeStdSemaphore), c.verdict);
  EXPECT_EQ(ctx.queries, 1);
  EXPECT_EQ(ctx.reasons,
            c.prompt ? std::vector<std::string>{c.prompt} : std::vector<std::string>{});
  EXPECT_EQ(ctx.biometryReadAfterQuery, std::vector<bool>(c.readsBiometry, true));
}

INSTANTIATE_TEST_SUITE_P(Table, UnlockCommandTest, ::testing::ValuesIn(kCases), rowName);

TEST(UnlockCommand, AnEmptyCommandLineAuthenticatesWithTheDefaultPrompt) {
  FakeUnlockContext ctx(true, 1, kGranted);
  EXPECT_EQ(runUnlockCommand({}, ctx, makeStdSemaphore), kOk);
  EXPECT_EQ(ctx.reasons, std::vector<std::string>{"Unlock Norvane"});
}

}  // namespace
}  // namespace test
}  // namespace nvx
