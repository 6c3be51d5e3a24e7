#include "platform/headless/HeadlessImage.h"
#include "platform/linux/GlibApplication.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace nvx::platform {
namespace {

class RecordingDelegate final : public ApplicationDelegate {
 public:
  explicit RecordingDelegate(std::function<void()> onLaunch) : onLaunch_(std::move(onLaunch)) {}
  void applicationDidFinishLaunching() override { onLaunch_(); }

 private:
  std::function<void()> onLaunch_;
};

GlibApplication makeApplication(std::vector<std::string> dirs = {}) {
  return GlibApplication(
      [](const std::string& path) { return std::make_shared<HeadlessImage>(path); },
      std::move(dirs));
}

TEST(GlibApplicationTest, RunsTasksFromAnotherThreadInOrderAfterTheLaunchCallback) {
  GlibApplication app = makeApplication();
  const auto mainThread = std::this_thread::get_id();
  std::vector<int> order;
  bool allOnMain = true;
  constexpr int kTasks = 10000;
  // Queued before the loop runs: the launch callback still comes first.
  app.post([&] { order.push_back(-2); });
  RecordingDelegate delegate([&] {
    order.push_back(-1);
    std::thread([&] {
      for (int i = 0; i < kTasks; ++i) {
        app.post([&, i] {
          allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
          order.push_back(i);
        });
      }
      app.post([&] { app.terminate(); });
    }).detach();
  });
  app.setDelegate(&delegate);
  app.run();

  ASSERT_EQ(order.size(), static_cast<std::size_t>(kTasks + 2));
  EXPECT_EQ(order[0], -1);
  EXPECT_EQ(order[1], -2);
  for (int i = 0; i < kTasks; ++i)
    ASSERT_EQ(order[static_cast<std::size_t>(i) + 2], i);
  EXPECT_TRUE(allOnMain);
}

TEST(GlibApplicationTest, WakesTheSleepingLoopForEveryTaskPostedAfterItWentIdle) {
  GlibApplication app = makeApplication();
  constexpr int kRounds = 2000;
  std::atomic<int> ran = 0;
  RecordingDelegate delegate([&] {
    std::thread([&] {
      // One task at a time: each arrives at an empty queue, mostly with the loop asleep.
      for (int i = 0; i < kRounds; ++i) {
        app.post([&] { ran.fetch_add(1); });
        while (ran.load() <= i)
          std::this_thread::yield();
        if (i % 100 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      app.post([&] { app.terminate(); });
    }).detach();
  });
  app.setDelegate(&delegate);
  app.run();
  EXPECT_EQ(ran.load(), kRounds);
}

TEST(GlibApplicationTest, NeverRunsAPostedTaskInline) {
  GlibApplication app = makeApplication();
  std::vector<std::string> order;
  app.post([&] {
    app.post([&] {
      order.push_back("inner");
      app.terminate();
    });
    order.push_back("outer done");
  });
  app.run();
  EXPECT_EQ(order, (std::vector<std::string>{"outer done", "inner"}));
}

TEST(GlibApplicationTest, RunsNothingQueuedBehindTheTerminateTask) {
  GlibApplication app = makeApplication();
  int ran = 0;
  app.post([&] { ++ran; });
  app.post([&] { app.terminate(); });
  app.post([&] { ++ran; });
  app.run();
  EXPECT_EQ(ran, 1);
}

TEST(GlibApplicationTest, TerminatingDuringLaunchEndsRunAtOnce) {
  GlibApplication app = makeApplication();
  bool ran = false;
  app.post([&] { ran = true; });
  RecordingDelegate delegate([&] { app.terminate(); });
  app.setDelegate(&delegate);
  app.run();  // returns instead of waiting forever
  EXPECT_FALSE(ran);
}

TEST(GlibApplicationTest, FiresOneShotTimersOnTheLoopNotBeforeTheirTime) {
  GlibApplication app = makeApplication();
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  std::vector<std::string> order;
  Clock::duration late{};
  app.scheduleOnce(0.05, [&] {
    order.push_back("timer");
    late = Clock::now() - start;
    app.terminate();
  });
  app.scheduleOnce(-1, [&] { order.push_back("immediate"); });
  app.post([&] { order.push_back("task"); });
  app.run();
  EXPECT_EQ(order.back(), "timer");
  EXPECT_EQ(order.size(), 3u);
  EXPECT_GE(late, std::chrono::milliseconds(50));
}

TEST(GlibApplicationTest, FindsParentProcessesAndBundleResources) {
  char dir[] = "/tmp/nvx-resXXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string second = std::string(dir) + "/share";
  ASSERT_EQ(mkdir(second.c_str(), 0700), 0);
  std::ofstream(second + "/orvel.png") << "png";

  GlibApplication app = makeApplication({std::string(dir) + "/missing", second});
  auto image = std::dynamic_pointer_cast<HeadlessImage>(app.bundleImage("orvel"));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->name(), second + "/orvel.png");
  EXPECT_FALSE(app.bundleImage("other"));

  EXPECT_TRUE(app.runningApplication(static_cast<int>(getppid())));
  EXPECT_FALSE(app.runningApplication(1));
  EXPECT_FALSE(app.runningApplication(0));
  EXPECT_FALSE(app.runningApplication(0x7FFFFFF0));

  std::remove((second + "/orvel.png").c_str());
  rmdir(second.c_str());
  rmdir(dir);
}

}  // namespace
}  // namespace nvx::platform
