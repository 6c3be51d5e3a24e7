#include "platform/headless/HeadlessToolkit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nvx::platform {
namespace {

// Order by due time is covered where the agent's timers run on this clock; what no caller of
// the agent's passes, a delay below zero or not a number, runs at once rather than never.
TEST(HeadlessMainLoopTest, ANegativeOrNotANumberDelayRunsAtOnce) {
  HeadlessMainLoop loop;
  int ran = 0;
  loop.scheduleOnce(-1, [&] { ++ran; });
  loop.scheduleOnce(std::nan(""), [&] { ++ran; });
  EXPECT_EQ(loop.nextDue(), 0);
  EXPECT_EQ(loop.advance(0), 2u);
  EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace nvx::platform
