#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "app/QtMainThreadExecutor.h"
#include "app/SettingsKeyValueStore.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "devices/AppPreferences.h"
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

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A damaged settings file reads as sane values, and the user's next change replaces it whole with
// valid settings, or, where it cannot be written, leaves it exactly as it was.
TEST(SettingsKeyValueStore, DamagedFilesReadSanelyAndAreReplacedWholeOrNotAtAll) {
  const QByteArray valid = "[General]\ninputDeviceUID=box\nleftChannel=2\nrightChannel=3\n";
  QByteArray garbage(4096, '\0');
  for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) >> 3);
  enum class Place { writable, readOnly, fullDisk };
  struct Case {
    const char* name;
    QByteArray contents;
    Place place = Place::writable;
  };
  const std::vector<Case> cases = {
      {"truncated", valid.left(valid.size() - 9)},
      {"garbage", garbage},
      {"wrong types",
       "[General]\ninputDeviceUID=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xfe)\n"
       "leftChannel=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QList<QVariant>)\n"
       "rightChannel=@ByteArray(\\x80)\nmuted=@Rect(1 2 3 4)\n"},
      {"huge and negative", "[General]\nleftChannel=-7\nrightChannel=99999999999999999999999\n"},
      {"1 MB value", "[General]\ninputDeviceUID=" + QByteArray(1 << 20, 'x') + "\n"},
      {"read-only", valid, Place::readOnly},
      {"full disk", valid, Place::fullDisk},
  };
  ::signal(SIGXFSZ, SIG_IGN);  // a write past the file size limit fails instead of ending us
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir directory;
    const QString path = directory.filePath("settings.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.contents);
    file.close();
    if (c.place == Place::readOnly) {
      QFile::setPermissions(path, QFile::ReadOwner);
      QFile::setPermissions(directory.path(), QFile::ReadOwner | QFile::ExeOwner);
    }
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    {
      SettingsKeyValueStore store(path);
      AppPreferences preferences{store};
      EXPECT_LE(preferences.inputDeviceUID().value_or("").size(), 4096u);
      if (const auto pair = preferences.channelPair()) {
        EXPECT_GE(std::min(pair->first, pair->second), 0);
        EXPECT_LT(std::max(pair->first, pair->second), 1024);
      }
      static_cast<void>(preferences.isMuted());
      if (c.place == Place::fullDisk) {
        rlimit full = unlimited;
        full.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &full);
      }
      preferences.setInputDeviceUID("vx-test-interface");
      preferences.setChannelPair(std::pair{0, 1});
      preferences.setMuted(true);
    }
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    QFile::setPermissions(directory.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray after = fileBytes(path);
    if (c.place == Place::writable || after != c.contents) {
      SettingsKeyValueStore reopened(path);
      AppPreferences preferences{reopened};
      EXPECT_EQ(preferences.inputDeviceUID(), "vx-test-interface");
      EXPECT_EQ(preferences.channelPair(), (std::pair{0, 1}));
      EXPECT_TRUE(preferences.isMuted());
    }
    EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"settings.ini"});
  }
  ::signal(SIGXFSZ, SIG_DFL);
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

TEST(SingleInstance, OfTwoStartsAtOnceExactlyOneListensAndNeitherLeavesALock) {
  QTemporaryDir directory;
  const QString socket = directory.filePath("instance");
  {
    auto first = std::make_unique<SingleInstance>(socket);
    SingleInstance second(socket);
    // Both ask before either listens, as two programs started together do.
    EXPECT_FALSE(first->askRunningInstanceToShow());
    EXPECT_TRUE(second.askRunningInstanceToShow());
    EXPECT_TRUE(first->listen());
    EXPECT_FALSE(second.listen());
    first.reset();
    // Once the first is gone, a new start takes over.
    EXPECT_FALSE(SingleInstance(socket).askRunningInstanceToShow());
  }
  EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{});
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
