#include "platform/linux/app/GlibApplication.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/headless/HeadlessImage.h"

namespace nvx::platform {
namespace {

struct OnLaunch final : ApplicationDelegate {
  explicit OnLaunch(std::function<void()> f) : launched(std::move(f)) {}
  void applicationDidFinishLaunching() override { launched(); }
  std::function<void()> launched;
};

GlibApplication makeApplication() {
  return GlibApplication(
      [](const std::string& path) { return std::make_shared<HeadlessImage>(path); }, {});
}

// A burst queued at once, then tasks one at a time, each arriving at an idle (sleeping) loop.
TEST(GlibApplicationTest, RunsEveryTaskOnceInOrderOnTheMainThreadNeverInlineAfterTheLaunch) {
  GlibApplication app = makeApplication();
  constexpr int kBurst = 10000, kOneByOne = 2000;
  const auto mainThread = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<int> ran = 0;
  bool allOnMain = true;
  std::thread producer;
  auto produce = [&] {
    for (int i = 0; i < kBurst + kOneByOne; ++i) {
      app.post([&, i] {
        allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        order.push_back(i);
        ran.fetch_add(1);
      });
      // After the burst, one at a time: the next is posted once this one has run.
      while (i >= kBurst && ran.load() <= i)
        std::this_thread::yield();
      if (i >= kBurst && i % 100 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    app.post([&] { app.terminate(); });
  };
  app.post([&] {  // queued before the loop runs
    app.post([&] {
      order.push_back(-1);
      producer = std::thread(produce);
    });
    order.push_back(-2);  // a task posted on the main thread waits for this one
  });
  OnLaunch delegate([&] { order.push_back(-3); });
  app.setDelegate(&delegate);
  app.run();
  producer.join();
  std::vector<int> expected(3 + kBurst + kOneByOne);
  std::iota(expected.begin(), expected.end(), -3);
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(allOnMain);
}

TEST(GlibApplicationTest, TerminatingDuringLaunchEndsRunAtOnce) {
  GlibApplication app = makeApplication();
  bool ran = false;
  app.post([&] { ran = true; });
  OnLaunch delegate([&] { app.terminate(); });
  app.setDelegate(&delegate);
  app.run();  // returns instead of waiting forever
  EXPECT_FALSE(ran);
}

// Work left behind terminate() never runs, and goes while what it holds (the delegate, the
// platform objects) still exists: before run() returns, not in the destructor.
TEST(GlibApplicationTest, DropsTasksAndTimersLeftBehindTheTerminateTaskBeforeRunReturns) {
  GlibApplication app = makeApplication();
  int ran = 0;
  auto held = std::make_shared<int>();
  const std::weak_ptr<int> watch = held;
  app.post([&] { ++ran; });
  app.post([&] { app.terminate(); });
  app.post([&ran, held] { ++ran; });
  app.scheduleOnce(60, [&ran, held] { ++ran; });
  held.reset();
  app.run();
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(watch.expired());
}

TEST(GlibApplicationTest, FiresOneShotTimersOnTheLoopNotBeforeTheirTime) {
  GlibApplication app = makeApplication();
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> order;
  app.scheduleOnce(0.05, [&] {
    order.push_back("timer");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    app.terminate();
  });
  app.scheduleOnce(-1, [&] { order.push_back("immediate"); });
  app.post([&] { order.push_back("task"); });
  app.run();
  EXPECT_THAT(order, testing::ElementsAre(testing::_, testing::_, "timer"));
}

long residentKiB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A burst of work leaves the heap's freed pages with the process until the loop has been quiet
// for a moment; then they go back once. (AddressSanitizer's allocator keeps its own.)
TEST(GlibApplicationTest, GivesFreedMemoryBackOnceTheLoopIsQuietAfterABurst) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator does not trim";
#endif
  GlibApplication app = makeApplication();
  long peak = 0;
  void* last = nullptr;
  app.post([&] {
    // Small blocks, all freed but the newest, which keeps the heap's top from shrinking.
    std::vector<void*> blocks(300'000);
    for (void*& block : blocks)
      std::memset(block = std::malloc(128), 1, 128);
    last = blocks.back();
    blocks.pop_back();
    for (void* block : blocks)
      std::free(block);
    peak = residentKiB();
    app.scheduleOnce(0.6, [&] { app.terminate(); });
  });
  app.run();
  EXPECT_LT(residentKiB(), peak - 20'000);
  std::free(last);
}

}  // namespace
}  // namespace nvx::platform
