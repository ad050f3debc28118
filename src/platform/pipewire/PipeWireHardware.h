#pragma once

#include <pipewire/pipewire.h>

#include <atomic>
#include <memory>
#include <optional>
#include <set>

#include "platform/HardwarePropertyPort.h"
#include "platform/pipewire/DeviceMirror.h"
#include "platform/pipewire/PropertyListenerSet.h"
#include "platform/pipewire/RegistryWatcher.h"
#include "platform/pipewire/StreamOwner.h"

// The hardware-property port over PipeWire. A thread loop of its own mirrors the registry; the five
// operations answer from the mirror at once and never wait on the daemon. Construction connects
// and waits (boundedly) until the mirror holds every device, so the first answer is complete. When
// the daemon dies every device disappears, and the adapter reconnects once it is back.
//
// Threads: the five operations from any thread; listeners run on their queues. The units of
// PipeWireAudioComponents share this connection and must be disposed before it is destroyed.
class PipeWireHardware final : public HardwarePropertyPort {
 public:
  PipeWireHardware();
  ~PipeWireHardware() override;
  PipeWireHardware(const PipeWireHardware&) = delete;
  PipeWireHardware& operator=(const PipeWireHardware&) = delete;

  bool hasProperty(AudioObjectID object, const AudioObjectPropertyAddress* address) override;
  OSStatus getPropertyDataSize(AudioObjectID object, const AudioObjectPropertyAddress* address,
                               UInt32 qualifierDataSize, const void* qualifierData,
                               UInt32* outDataSize) override;
  OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress* address,
                           UInt32 qualifierDataSize, const void* qualifierData, UInt32* ioDataSize,
                           void* outData) override;
  OSStatus addPropertyListenerBlock(AudioObjectID object, const AudioObjectPropertyAddress* address,
                                    DispatchQueue* queue,
                                    AudioObjectPropertyListenerBlock listener) override;
  OSStatus removePropertyListenerBlock(AudioObjectID object,
                                       const AudioObjectPropertyAddress* address,
                                       DispatchQueue* queue,
                                       AudioObjectPropertyListenerBlock listener) override;

  // For the units. threadLoop() is for locking and waiting; core() is valid only under its lock
  // and is null while the daemon is away.
  pw_thread_loop* threadLoop() const { return loop_; }
  pw_core* core() const { return core_; }
  std::optional<StreamTarget> streamTarget(AudioObjectID device) {
    return mirror_.streamTarget(device);
  }
  // Whether the daemon answers a round trip within half a second; at once false while its
  // periodic ping has gone unanswered, so that a stopped daemon costs the caller no wait. Under
  // the loop lock, from the thread that starts streams.
  bool daemonAnswers();
  // One of our streams on this device failed: raises "stpd" there. PipeWire thread.
  void reportStreamStopped(AudioObjectID device);
  // Owners of streams on core(), released before it goes. Under the loop lock.
  void attachStream(StreamOwner* owner) { streamOwners_.insert(owner); }
  void detachStream(StreamOwner* owner) { streamOwners_.erase(owner); }

 private:
  static void onCoreDone(void* data, uint32_t id, int seq);
  static void onCoreError(void* data, uint32_t id, int seq, int res, const char* message);
  static void onTimer(void* data, uint64_t expirations);
  static void onPingTimer(void* data, uint64_t expirations);

  // PipeWire thread (or the constructor under the loop lock).
  void connect();
  void disconnect();
  void armTimer(long milliseconds);
  void publish(const PropertyChanges& changes);
  // Without a daemon the device list is not empty but unreadable: the service is not running.
  bool isAskingForDevicesWithoutService(AudioObjectID object,
                                        const AudioObjectPropertyAddress& address) const;

  DeviceMirror mirror_;
  PropertyListenerSet listeners_;
  pw_thread_loop* loop_ = nullptr;
  pw_context* context_ = nullptr;
  spa_source* timer_ = nullptr;
  spa_source* pingTimer_ = nullptr;
  // PipeWire thread only, or under the loop lock.
  pw_core* core_ = nullptr;
  spa_hook coreListener_{};
  std::unique_ptr<RegistryWatcher> watcher_;
  std::set<StreamOwner*> streamOwners_;
  int firstSync_ = -1;
  int secondSync_ = -1;
  bool mirrorComplete_ = false;
  bool connectionLost_ = false;
  // The liveness ping: the round trip in flight, since when, and one a caller waits for.
  int pingSync_ = -1;
  uint64_t pingSentNanoseconds_ = 0;
  int awaitedSync_ = -1;
  bool awaitedAnswered_ = false;
  // Whether the last ping came back in time. PipeWire thread, or under the loop lock.
  bool answering_ = true;
  // Whether a daemon is connected. Written on the PipeWire thread (release) before the mirror
  // changes are published, read from any thread (acquire), so a listener told of the change sees
  // it.
  std::atomic<bool> serviceRunning_{false};
};
