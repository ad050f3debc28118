#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <thread>
#include <vector>

#include "app/QtMainThreadExecutor.h"
#include "app/SettingsKeyValueStore.h"
#include "app/SingleInstance.h"
#include "devices/AppPreferences.h"
#include "ui/OffscreenApplication.h"

using namespace std::chrono_literals;

TEST(QtMainThreadExecutor, RunsPostsFromOtherThreadsInOrderAndScheduledWorkAfterItsDelay) {
  QtMainThreadExecutor executor;
  const auto mainThread = std::this_thread::get_id();
  const auto scheduledAt = executor.now();
  std::optional<MainThreadExecutor::TimePoint> ranAt;
  bool cancelledRan = false, allOnMain = true;
  std::vector<int> order;
  executor.schedule(40ms, [&] { ranAt = executor.now(); });
  // Due before the other: had they not been dropped, they would have run by then. The second is
  // cancelled once its timer runs.
  executor.schedule(20ms, [&] { cancelledRan = true; }).cancel();
  const ScheduledTaskHandle started = executor.schedule(20ms, [&] { cancelledRan = true; });
  executor.post([started] { started.cancel(); });
  std::thread([&] {
    for (int i = 0; i < 100; ++i) {
      executor.post([&, i] {
        allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        order.push_back(i);
      });
    }
  }).join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ranAt.has_value() && order.size() == 100; }));
  EXPECT_GE(*ranAt - scheduledAt, 40ms);
  EXPECT_FALSE(cancelledRan);
  EXPECT_TRUE(allOnMain);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

// Whatever the settings file holds, it reads as sane values, and the user's next change replaces
// it whole with valid settings, or, where the disk is full, leaves it exactly as it was.
TEST(SettingsKeyValueStore, AnyFileReadsSanelyAndIsReplacedWholeOrNotAtAll) {
  QByteArray garbage(4096, '\0');
  for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) >> 3);
  const std::vector<std::pair<const char*, QByteArray>> files = {
      {"empty", ""},
      {"truncated mid-key", "[General]\ninputDeviceUID=box\nleftChannel=2\nrightCh"},
      {"garbage", garbage},
      {"wrong types",
       "[General]\ninputDeviceUID=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xfe)\n"
       "leftChannel=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QList<QVariant>)\n"
       "rightChannel=@ByteArray(\\x80)\nmuted=@Rect(1 2 3 4)\n"},
      {"huge and negative", "[General]\nleftChannel=-7\nrightChannel=99999999999999999999999\n"},
      {"1 MB value", "[General]\ninputDeviceUID=" + QByteArray(1 << 20, 'x') + "\n"},
      // Found by fuzzing: Qt would ask for 19 GB to decode it (the fuzz seed of the same name).
      {"a value that decodes into gigabytes",
       "[General]\ninputeviceUI\ninputDeviceUID=@Variant(\\0\\0\\0\\N10__cxxabiv117__class_type_"
       "infoEyteArray(\\x80)\nrightChannel=-9999Channel=3\nmuted=tru3 4)\n"},
  };
  ::signal(SIGXFSZ, SIG_IGN);  // a write past the file size limit fails instead of ending us
  for (const bool fullDisk : {false, true}) {
    for (const auto& [name, contents] : files) {
      SCOPED_TRACE(std::string(name) + (fullDisk ? " on a full disk" : ""));
      QTemporaryDir directory;
      const QString path = directory.filePath("settings.ini");
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
      file.close();
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
        const rlimit full{16, unlimited.rlim_max};
        if (fullDisk) ::setrlimit(RLIMIT_FSIZE, &full);
        store.setString("stale", "gone by the end");
        preferences.setInputDeviceUID("vx-test-interface");
        preferences.setChannelPair(std::pair{0, 1});
        preferences.setMuted(true);
        store.removeObject("stale");
      }
      ::setrlimit(RLIMIT_FSIZE, &unlimited);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      if (!fullDisk || file.readAll() != contents) {
        SettingsKeyValueStore reopened(path);
        AppPreferences preferences{reopened};
        EXPECT_EQ(preferences.inputDeviceUID(), "vx-test-interface");
        EXPECT_EQ(preferences.channelPair(), (std::pair{0, 1}));
        EXPECT_TRUE(preferences.isMuted());
        EXPECT_FALSE(reopened.hasObject("stale"));
      }
      EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden),
                QStringList{"settings.ini"});
    }
  }
  ::signal(SIGXFSZ, SIG_DFL);
}

// A later start asking the running one to show its window is the program test's.
TEST(SingleInstance, OfTwoStartsAtOnceOneListensAndNeitherLeavesAnythingBehind) {
  QTemporaryDir directory;
  const QString socket = directory.filePath("instance");
  {
    SingleInstance first(socket);
    SingleInstance second(socket);
    // Both ask before either listens, as two programs started together do.
    EXPECT_FALSE(first.askRunningInstanceToShow());
    EXPECT_TRUE(second.askRunningInstanceToShow());
    ASSERT_TRUE(first.listen());
    EXPECT_FALSE(second.listen());
  }
  // Nor lock nor socket is left behind to block the next start.
  EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{});
}
