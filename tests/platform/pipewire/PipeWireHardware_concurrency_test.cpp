#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "devices/AudioDeviceService.h"
#include "platform/pipewire/HardwareReads.h"
#include "platform/pipewire/PipeWireHardware.h"
#include "platform/pipewire/PipeWireTestSession.h"
#include "support/ChangeRecorder.h"

using namespace pipewire_test;

// The catalog is read on the caller's thread while the PipeWire thread rewrites the mirror and
// delivers notifications: every read sees either a whole device or none, and the device service
// hears of each change on its own queue. With the daemon all devices go, and the list is not empty
// but unreadable: the service is not running.
TEST(PipeWireHardwareConcurrency, ReadsStayConsistentWhileDevicesComeAndGoAndWithTheDaemon) {
  PipeWireHardware hardware;
  AudioDeviceService service(hardware);
  ChangeRecorder recorder;
  recorder.attach(service);
  service.startListening();
  const auto listChanges = [&] {
    const auto changes = recorder.changes();
    return std::count(changes.begin(), changes.end(), AudioDeviceService::Change::catalog);
  };
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
  EXPECT_TRUE(eventually([&] { return listChanges() >= 2 * kCycles; }));
  EXPECT_EQ(devices(hardware).size(), 3u);

  const auto listStatus = [&] {
    const auto list = propertyAddress(kAudioHardwarePropertyDevices);
    UInt32 size = 0;
    return hardware.getPropertyDataSize(kAudioObjectSystemObject, &list, 0, nullptr, &size);
  };
  const auto announced = listChanges();
  ASSERT_TRUE(runSession("stop"));
  EXPECT_TRUE(eventually([&] { return listChanges() > announced; }));
  EXPECT_TRUE(eventually([&] { return devices(hardware).empty(); }));
  EXPECT_EQ(listStatus(), kAudioHardwareNotRunningError);
  ASSERT_TRUE(runSession("start") && runSession("make-devices"));
  EXPECT_TRUE(eventually([&] { return devices(hardware).size() == 3; }));
  EXPECT_EQ(listStatus(), noErr);
  EXPECT_EQ(recorder.callsOffQueue(), 0);
}
