#include <gtest/gtest.h>

#include <signal.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "app/QtMainThreadExecutor.h"
#include "app/SettingsKeyValueStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "ui/OffscreenApplication.h"

namespace {

using namespace std::chrono_literals;

TEST(QtMainThreadExecutor, RunsPostsFromOtherThreadsOnTheMainThreadInOrder) {
  QtMainThreadExecutor executor;
  const auto mainThread = std::this_thread::get_id();
  std::vector<int> order;
  bool allOnMain = true;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) {
      executor.post([&, i] {
        allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        order.push_back(i);
      });
    }
  });
  poster.join();
  QTRY_COMPARE(order.size(), std::size_t{100});
  EXPECT_TRUE(allOnMain);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(QtMainThreadExecutor, ScheduledWorkWaitsItsDelayAndCancelledWorkNeverRuns) {
  QtMainThreadExecutor executor;
  const auto scheduledAt = executor.now();
  std::optional<MainThreadExecutor::TimePoint> ranAt;
  bool cancelledRan = false;
  executor.schedule(40ms, [&] { ranAt = executor.now(); });
  executor.schedule(20ms, [&] { cancelledRan = true; }).cancel();
  QTRY_VERIFY(ranAt.has_value());
  EXPECT_GE(*ranAt - scheduledAt, 40ms);
  QTest::qWait(30);
  EXPECT_FALSE(cancelledRan);
}

TEST(SettingsKeyValueStore, ValuesSurviveANewStoreOnTheSameFileWithTheirConversions) {
  QTemporaryDir directory;
  const QString file = directory.filePath("settings.ini");
  {
    SettingsKeyValueStore store(file);
    store.setString("inputDeviceUID", "vx-test-interface");
    store.setInteger("leftChannel", 2);
    store.setBool("muted", true);
    store.setInteger("rightChannel", 3);
    store.removeObject("rightChannel");
  }
  SettingsKeyValueStore reopened(file);
  EXPECT_EQ(reopened.stringForKey("inputDeviceUID"), "vx-test-interface");
  EXPECT_EQ(reopened.integerForKey("leftChannel"), 2);
  EXPECT_EQ(reopened.stringForKey("leftChannel"), "2");
  EXPECT_TRUE(reopened.boolForKey("muted"));
  EXPECT_FALSE(reopened.hasObject("rightChannel"));
  EXPECT_EQ(reopened.integerForKey("rightChannel"), 0);
  EXPECT_EQ(reopened.stringForKey("rightChannel"), std::nullopt);
  EXPECT_EQ(reopened.integerForKey("inputDeviceUID"), 0);
}

TEST(SingleInstance, ALaterStartAsksTheRunningOneToShowItsWindow) {
  QTemporaryDir directory;
  const QString socket = directory.filePath("instance");
  SingleInstance first(socket);
  EXPECT_FALSE(first.askRunningInstanceToShow());
  ASSERT_TRUE(first.listen());
  QSignalSpy shown(&first, &SingleInstance::showRequested);
  std::atomic<bool> answered = false;
  std::thread later([&] { answered = SingleInstance(socket).askRunningInstanceToShow(); });
  QTRY_COMPARE(shown.count(), 1);
  later.join();
  EXPECT_TRUE(answered);
}

TEST(TerminationSignals, SigtermAndSigintArriveOnTheEventLoop) {
  TerminationSignals termination;
  QSignalSpy received(&termination, &TerminationSignals::received);
  ::raise(SIGTERM);
  ::raise(SIGINT);
  QTRY_COMPARE(received.count(), 2);
  EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
  EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
}

}  // namespace
