#include "unlock/UnlockCommand.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FakeUnlockContext.h"
#include "platform/linux/unlock/StdSemaphore.h"

namespace nvx {

std::ostream& operator<<(std::ostream& os, const Verdict& v) {
  return os << '"' << v.word << "\" " << v.status;
}

namespace test {
namespace {

using Outcome = FakeUnlockContext::Outcome;

const Verdict kYes{"yes", 0};
const Verdict kNo{"no", 0};
const Verdict kOk{"ok", 0};
const Verdict kFail{"fail", 1};

std::unique_ptr<Semaphore> makeStdSemaphore() {
  return std::make_unique<StdSemaphore>();
}

struct Case {
  const char* name;
  std::vector<std::string> args;  // after the program path
  bool available;
  long biometry;
  Outcome outcome;
  Verdict verdict;
  std::vector<std::string> reasons;  // prompts shown, in order
  std::vector<bool> biometryReads;   // one entry per read: whether it came after the query
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const Case kCases[] = {
    {"NoArgumentsGranted", {}, true, 0, Outcome::kGranted, kOk, {"Unlock Norvane"}, {}},
    {"NoArgumentsRefused", {}, true, 1, Outcome::kRefused, kFail, {"Unlock Norvane"}, {}},
    {"NoArgumentsCancelled", {}, true, 1, Outcome::kCancelled, kFail, {"Unlock Norvane"}, {}},
    {"OneWordIsNotCheck", {"open"}, true, 0, Outcome::kGranted, kOk, {"Unlock Norvane"}, {}},
    {"CapitalisedCheckAuthenticates",
     {"Check"},
     true,
     1,
     Outcome::kGranted,
     kOk,
     {"Unlock Norvane"},
     {}},
    {"EmptyFirstArgumentAuthenticates",
     {""},
     true,
     1,
     Outcome::kRefused,
     kFail,
     {"Unlock Norvane"},
     {}},
    {"SecondArgumentIsThePrompt",
     {"open", "Show the deck"},
     true,
     0,
     Outcome::kGranted,
     kOk,
     {"Show the deck"},
     {}},
    {"CheckInSecondPlaceIsThePrompt",
     {"x", "check"},
     true,
     1,
     Outcome::kGranted,
     kOk,
     {"check"},
     {}},
    {"EmptyPromptIsPassedAsIs", {"x", "", "z"}, true, 0, Outcome::kGranted, kOk, {""}, {}},
    {"UnavailableFailsWithoutPrompt", {}, false, 1, Outcome::kGranted, kFail, {}, {}},
    {"UnavailableWithPromptFails", {"x", "Prompt"}, false, 1, Outcome::kGranted, kFail, {}, {}},
    {"CheckWithTouchId", {"check"}, true, 1, Outcome::kGranted, kYes, {}, {true}},
    {"CheckWithoutSensor", {"check"}, true, 0, Outcome::kGranted, kNo, {}, {true}},
    {"CheckWithFaceId", {"check"}, true, 2, Outcome::kGranted, kNo, {}, {true}},
    {"CheckWithOpticId", {"check"}, true, 4, Outcome::kGranted, kNo, {}, {true}},
    {"CheckUnavailableDoesNotReadBiometry", {"check"}, false, 1, Outcome::kGranted, kNo, {}, {}},
    {"CheckIgnoresFurtherArguments",
     {"check", "Prompt", "more"},
     true,
     1,
     Outcome::kRefused,
     kYes,
     {},
     {true}},
};

class UnlockCommandTest : public ::testing::TestWithParam<Case> {};

TEST_P(UnlockCommandTest, AnswersAsTheCommandTableSays) {
  const Case& c = GetParam();
  std::vector<std::string> args{"/usr/bin/nvx-unlock"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  FakeUnlockContext ctx(c.available, c.biometry, c.outcome);

  EXPECT_EQ(runUnlockCommand(args, ctx, makeStdSemaphore), c.verdict);
  EXPECT_EQ(ctx.queries, 1);
  EXPECT_EQ(ctx.reasons, c.reasons);
  EXPECT_EQ(ctx.biometryReadAfterQuery, c.biometryReads);
}

INSTANTIATE_TEST_SUITE_P(Table, UnlockCommandTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnlockCommand, AnEmptyCommandLineAuthenticatesWithTheDefaultPrompt) {
  FakeUnlockContext ctx(true, 1, Outcome::kGranted);
  EXPECT_EQ(runUnlockCommand({}, ctx, makeStdSemaphore), kOk);
  EXPECT_EQ(ctx.reasons, std::vector<std::string>{"Unlock Norvane"});
}

}  // namespace
}  // namespace test
}  // namespace nvx
