#include "platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace nvx::platform {
namespace {

TEST(HeadlessMainLoopTest, RunsDueActionsByDueTimeThenSchedulingOrderIncludingNewlyDueOnes) {
  HeadlessMainLoop loop;
  std::string order;
  loop.scheduleOnce(2, [&] { order += "b"; });
  loop.scheduleOnce(1, [&] {
    order += "a";
    loop.scheduleOnce(0.5, [&] { order += "c"; });  // due at 1.5
  });
  loop.scheduleOnce(2, [&] { order += "d"; });
  loop.scheduleOnce(-1, [&] { order += "0"; });
  loop.scheduleOnce(std::nan(""), [&] { order += "0"; });
  loop.scheduleOnce(9, [&] { order += "late"; });
  EXPECT_EQ(loop.nextDue(), 0);
  EXPECT_EQ(loop.advance(2), 6u);
  EXPECT_EQ(order, "00acbd");
  EXPECT_EQ(loop.now(), 2);
  EXPECT_EQ(loop.pendingCount(), 1u);
  EXPECT_EQ(loop.nextDue(), 9);
}

}  // namespace
}  // namespace nvx::platform
