#include "platform/EventLoopExecutor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(EventLoopExecutorTest, RunsPostsFromManyThreadsOnTheLoopThreadInPerThreadOrder) {
  EventLoopExecutor loop;
  constexpr int kThreads = 4;
  constexpr int kPosts = 2000;
  std::vector<int> lastSeen(kThreads, -1);
  bool ordered = true;
  bool onLoopThread = true;
  int ran = 0;
  const auto loopThread = std::this_thread::get_id();

  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kPosts; ++i) {
        loop.post([&, t, i] {
          ordered = ordered && lastSeen[t] == i - 1;
          lastSeen[t] = i;
          onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread;
          if (++ran == kThreads * kPosts) loop.quit();
        });
      }
    });
  }
  loop.run();
  for (auto& poster : posters) poster.join();
  EXPECT_EQ(ran, kThreads * kPosts);
  EXPECT_TRUE(ordered);
  EXPECT_TRUE(onLoopThread);
}

TEST(EventLoopExecutorTest, ScheduledWorkWaitsForItsDelayAndCancelledWorkNeverRuns) {
  EventLoopExecutor loop;
  const auto start = loop.now();
  EventLoopExecutor::TimePoint ranAt{};
  bool cancelledRan = false;
  loop.schedule(30ms, [&] { cancelledRan = true; }).cancel();
  loop.schedule(20ms, [&] {
    ranAt = loop.now();
    loop.schedule(20ms, [&] { loop.quit(); });
  });
  loop.run();
  EXPECT_GE(ranAt - start, 20ms);
  EXPECT_GE(loop.now() - start, 40ms);
  EXPECT_FALSE(cancelledRan);
}

TEST(EventLoopExecutorTest, QuitEndsAnIdleLoopFromAnotherThreadAndBeforeRun) {
  EventLoopExecutor loop;
  std::atomic<bool> running{false};
  loop.post([&] { running.store(true); });
  std::thread quitter([&] {
    while (!running.load()) std::this_thread::yield();
    loop.quit();
  });
  loop.run();
  quitter.join();
  loop.quit();
  loop.run();
  EXPECT_TRUE(running.load());
}

}  // namespace
