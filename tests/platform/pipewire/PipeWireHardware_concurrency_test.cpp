#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "platform/SerialDispatchQueue.h"
#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PipeWireTestSession.h"

using namespace pipewire_test;

namespace {

// Counts the device-list notifications the port delivers to a queue of its own, and those that
// ran anywhere else.
class DeviceListNotifications {
 public:
  explicit DeviceListNotifications(HardwarePropertyPort& port) : port_(port) {
    port_.addPropertyListenerBlock(kAudioObjectSystemObject, &address_, &queue_, block_);
  }
  ~DeviceListNotifications() {
    port_.removePropertyListenerBlock(kAudioObjectSystemObject, &address_, &queue_, block_);
    queue_.drain();
  }

  // Waits up to two seconds until `times` have arrived.
  bool waitFor(std::size_t times) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(2), [&] { return count_ >= times; });
  }
  std::size_t count() {
    std::lock_guard lock(mutex_);
    return count_;
  }
  std::size_t offQueue() {
    std::lock_guard lock(mutex_);
    return offQueue_;
  }

 private:
  HardwarePropertyPort& port_;
  const AudioObjectPropertyAddress address_ = propertyAddress(kAudioHardwarePropertyDevices);
  SerialDispatchQueue queue_{"com.vexmora.monitor.tests.device-events"};
  std::mutex mutex_;  // guards the counts
  std::condition_variable arrived_;
  std::size_t count_ = 0, offQueue_ = 0;
  const AudioObjectPropertyListenerBlock block_ =
      std::make_shared<const AudioObjectPropertyListenerFunction>(
          [this](UInt32, const AudioObjectPropertyAddress*) {
            std::lock_guard lock(mutex_);
            ++count_;
            offQueue_ += queue_.isCurrentThread() ? 0 : 1;
            arrived_.notify_all();
          });
};

}  // namespace

// The catalog is read on the caller's thread while the PipeWire thread rewrites the mirror and
// delivers notifications: every read sees either a whole device or none. With the daemon all
// devices go, and the list is not empty but unreadable: the service is not running.
TEST(PipeWireHardwareConcurrency, ReadsStayConsistentWhileDevicesComeAndGoAndWithTheDaemon) {
  PipeWireHardware hardware;
  DeviceListNotifications notifications(hardware);
  constexpr int kCycles = 10;
  std::atomic<bool> done{false};       // relaxed: a stop flag that publishes nothing else
  std::atomic<int> failedCommands{0};  // relaxed: a counter read after join
  std::thread replugger([&] {
    for (int i = 0; i < kCycles; ++i) {
      if (!runSession("unplug " + kHeadphones)) failedCommands.fetch_add(1);
      if (!runSession("replug " + kHeadphones)) failedCommands.fetch_add(1);
    }
    done.store(true, std::memory_order_relaxed);
  });
  const std::set<std::string> known{kInterface, kSpeakers, kHeadphones};
  std::size_t reads = 0;
  while (!done.load(std::memory_order_relaxed)) {
    for (AudioObjectID device : devices(hardware)) {
      auto uid = readText(hardware, device, propertyAddress(kAudioDevicePropertyDeviceUID));
      if (!uid) continue;  // gone between the list and the read
      EXPECT_TRUE(known.contains(*uid)) << *uid;
      auto outputs = streamChannels(hardware, device, kAudioObjectPropertyScopeOutput);
      if (*uid != kInterface && !outputs.empty()) {
        EXPECT_EQ(outputs, std::vector<UInt32>{2});
      }
      ++reads;
    }
  }
  replugger.join();
  EXPECT_EQ(failedCommands.load(), 0);
  EXPECT_GT(reads, 0u);
  EXPECT_TRUE(notifications.waitFor(2 * kCycles));
  EXPECT_EQ(devices(hardware).size(), 3u);

  const auto listStatus = [&] {
    const auto list = propertyAddress(kAudioHardwarePropertyDevices);
    UInt32 size = 0;
    return hardware.getPropertyDataSize(kAudioObjectSystemObject, &list, 0, nullptr, &size);
  };
  const std::size_t announced = notifications.count();
  ASSERT_TRUE(runSession("stop"));
  EXPECT_TRUE(notifications.waitFor(announced + 1));
  EXPECT_TRUE(eventually([&] { return devices(hardware).empty(); }));
  EXPECT_EQ(listStatus(), kAudioHardwareNotRunningError);
  ASSERT_TRUE(runSession("start") && runSession("make-devices"));
  EXPECT_TRUE(eventually([&] { return devices(hardware).size() == 3; }));
  EXPECT_EQ(listStatus(), noErr);
  EXPECT_EQ(notifications.offQueue(), 0u);
}
