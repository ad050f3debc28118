#include "platform/EventLoopExecutor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(EventLoopExecutorTest, RunsWorkFromManyThreadsInOrderAndOnTimeAndQuitsFromAnother) {
  EventLoopExecutor loop;
  constexpr int kThreads = 4, kPosts = 2000;
  std::vector<int> lastSeen(kThreads, -1);
  bool ordered = true, onLoopThread = true;
  std::atomic<int> ran = 0;
  const auto loopThread = std::this_thread::get_id();
  const auto start = loop.now();
  std::chrono::nanoseconds scheduledAfter{};
  loop.schedule(30ms, [&] { scheduledAfter = loop.now() - start, ++ran; });
  loop.schedule(20ms, [&] { ordered = false; }).cancel();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPosts; ++i) {
        loop.post([&, t, i] {
          ordered = ordered && lastSeen[t] == i - 1;
          lastSeen[t] = i;
          onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread;
          ++ran;
        });
      }
    });
  }
  // Once all has run the loop waits idle, and quit() from another thread must wake it; what is
  // posted after quit() waits for the next run.
  threads.emplace_back([&] {
    while (ran.load() <= kThreads * kPosts) std::this_thread::yield();
    loop.quit();
    loop.post([&] { ++ran, loop.quit(); });
  });
  loop.run();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(ran.load(), kThreads * kPosts + 1);
  EXPECT_TRUE(ordered);
  EXPECT_TRUE(onLoopThread);
  EXPECT_GE(scheduledAfter, 30ms);
  loop.quit();
  loop.run();  // quit() before run() ends it at once
  EXPECT_EQ(ran.load(), kThreads * kPosts + 1);
  loop.run();
  EXPECT_EQ(ran.load(), kThreads * kPosts + 2);
}
