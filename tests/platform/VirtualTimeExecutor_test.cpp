#include "platform/VirtualTimeExecutor.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(VirtualTimeExecutorTest, TimeMovesOnlyWhenTold) {
  VirtualTimeExecutor executor;
  const auto start = executor.now();
  bool ran = false;
  executor.schedule(10ms, [&] { ran = true; });
  executor.runUntilIdle();
  EXPECT_FALSE(ran);
  EXPECT_EQ(executor.now(), start);
  executor.advanceBy(9ms);
  EXPECT_FALSE(ran);
  executor.advanceBy(1ms);
  EXPECT_TRUE(ran);
  EXPECT_EQ(executor.now(), start + 10ms);
}

TEST(VirtualTimeExecutorTest, RunsInDueOrderThenSubmissionOrderAtTheirOwnTimes) {
  VirtualTimeExecutor executor;
  const auto start = executor.now();
  std::vector<std::string> order;
  std::vector<std::chrono::nanoseconds> times;
  const auto record = [&](std::string name) {
    return [&, name] {
      order.push_back(name);
      times.push_back(executor.now() - start);
    };
  };
  executor.schedule(20ms, record("c"));
  executor.schedule(5ms, record("a"));
  executor.schedule(5ms, record("b"));
  executor.post(record("now"));
  executor.advanceBy(30ms);
  EXPECT_EQ(order, (std::vector<std::string>{"now", "a", "b", "c"}));
  EXPECT_EQ(times, (std::vector<std::chrono::nanoseconds>{0ms, 5ms, 5ms, 20ms}));
  EXPECT_EQ(executor.now() - start, 30ms);
}

TEST(VirtualTimeExecutorTest, WorkScheduledByWorkRunsWithinTheSameAdvance) {
  VirtualTimeExecutor executor;
  int rounds = 0;
  std::function<void()> round = [&] {
    ++rounds;
    executor.schedule(33ms, round);
  };
  executor.post(round);
  executor.advanceBy(100ms);
  EXPECT_EQ(rounds, 4);  // at 0, 33, 66 and 99 ms
  EXPECT_EQ(executor.pendingCount(), 1u);
}

TEST(VirtualTimeExecutorTest, CancelledWorkNeverRunsAndIsNotPending) {
  VirtualTimeExecutor executor;
  bool ran = false;
  const ScheduledTaskHandle handle = executor.schedule(5ms, [&] { ran = true; });
  EXPECT_EQ(executor.pendingCount(), 1u);
  handle.cancel();
  EXPECT_EQ(executor.pendingCount(), 0u);
  executor.advanceBy(10ms);
  EXPECT_FALSE(ran);
}

TEST(VirtualTimeExecutorTest, PostsFromOtherThreadsRunOnTheTestThread) {
  VirtualTimeExecutor executor;
  std::vector<std::thread::id> ranOn;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i)
      executor.post([&] { ranOn.push_back(std::this_thread::get_id()); });
  });
  poster.join();
  executor.runUntilIdle();
  ASSERT_EQ(ranOn.size(), 100u);
  for (const auto id : ranOn) EXPECT_EQ(id, std::this_thread::get_id());
}

}  // namespace
