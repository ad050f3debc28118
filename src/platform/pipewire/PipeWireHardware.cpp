#include "platform/pipewire/PipeWireHardware.h"

#include <cerrno>
#include <ctime>

#include "platform/pipewire/MonotonicClock.h"
#include "platform/pipewire/ThreadLoopLock.h"

namespace {

// How long construction waits for the first complete mirror, and how often a lost daemon is
// looked for again.
constexpr int kFirstMirrorSeconds = 5;
constexpr long kReconnectMilliseconds = 250;
// A daemon that leaves a round trip unanswered this long is taken as stopped: starts then fail at
// once instead of each waiting for a stream that cannot come. The ping is cheap, one message.
constexpr long kPingMilliseconds = 250;
constexpr uint64_t kUnansweredNanoseconds = 1000 * SPA_NSEC_PER_MSEC;
constexpr int64_t kAnswerWaitNanoseconds = 500 * SPA_NSEC_PER_MSEC;

}  // namespace

PipeWireHardware::PipeWireHardware() {
  pw_init(nullptr, nullptr);
  loop_ = pw_thread_loop_new("vx-pipewire", nullptr);
  // The real-time client configuration: the data thread that runs our process callbacks asks
  // for real-time scheduling (directly or through RTKit, where the system allows it), so that a
  // busy machine does not delay a low-latency route's cycles.
  context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                            pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
  timer_ = pw_loop_add_timer(pw_thread_loop_get_loop(loop_), &PipeWireHardware::onTimer, this);
  pingTimer_ =
      pw_loop_add_timer(pw_thread_loop_get_loop(loop_), &PipeWireHardware::onPingTimer, this);
  timespec period{0, kPingMilliseconds * 1000000};
  pw_loop_update_timer(pw_thread_loop_get_loop(loop_), pingTimer_, &period, &period, false);
  pw_thread_loop_start(loop_);
  ThreadLoopLock lock(loop_);
  connect();
  timespec deadline{};
  pw_thread_loop_get_time(loop_, &deadline, kFirstMirrorSeconds * SPA_NSEC_PER_SEC);
  while (core_ != nullptr && !mirrorComplete_ && !connectionLost_) {
    if (pw_thread_loop_timed_wait_full(loop_, &deadline) != 0) break;
  }
}

PipeWireHardware::~PipeWireHardware() {
  pw_thread_loop_stop(loop_);
  watcher_.reset();
  // Releasing detaches the owner, so the set is walked from a copy.
  for (StreamOwner* owner : std::set<StreamOwner*>(streamOwners_)) owner->releaseStream();
  if (core_ != nullptr) {
    spa_hook_remove(&coreListener_);
    pw_core_disconnect(core_);
  }
  pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), timer_);
  pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), pingTimer_);
  pw_context_destroy(context_);
  pw_thread_loop_destroy(loop_);
}

void PipeWireHardware::connect() {
  core_ = pw_context_connect(context_, nullptr, 0);
  if (core_ == nullptr) {
    armTimer(kReconnectMilliseconds);
    return;
  }
  connectionLost_ = false;
  pingSync_ = -1;
  answering_ = true;
  serviceRunning_.store(true, std::memory_order_release);
  static const pw_core_events events = [] {
    pw_core_events e{};
    e.version = PW_VERSION_CORE_EVENTS;
    e.done = &PipeWireHardware::onCoreDone;
    e.error = &PipeWireHardware::onCoreError;
    return e;
  }();
  pw_core_add_listener(core_, &coreListener_, &events, this);
  watcher_ = std::make_unique<RegistryWatcher>(
      core_, mirror_, [this](const PropertyChanges& changes) { publish(changes); });
  firstSync_ = pw_core_sync(core_, PW_ID_CORE, 0);
}

void PipeWireHardware::disconnect() {
  serviceRunning_.store(false, std::memory_order_release);
  watcher_.reset();
  PropertyChanges changes;
  mirror_.clear(changes);
  publish(changes);
  // Releasing detaches the owner, so the set is walked from a copy.
  for (StreamOwner* owner : std::set<StreamOwner*>(streamOwners_)) owner->releaseStream();
  if (core_ != nullptr) {
    spa_hook_remove(&coreListener_);
    pw_core_disconnect(core_);
    core_ = nullptr;
  }
}

void PipeWireHardware::onCoreDone(void* data, uint32_t id, int seq) {
  auto* self = static_cast<PipeWireHardware*>(data);
  if (id != PW_ID_CORE) return;
  if (self->watcher_) self->watcher_->syncDone(seq);
  if (seq == self->awaitedSync_) {
    self->awaitedAnswered_ = true;
    pw_thread_loop_signal(self->loop_, false);
  }
  if (seq == self->pingSync_) {
    self->pingSync_ = -1;
    // Back from a stop: a route waiting for its next try can start now.
    if (!self->answering_) {
      self->answering_ = true;
      self->publish({{kAudioObjectSystemObject, kAudioHardwarePropertyDevices}});
    }
  }
  // The first answer covers every global; the second every node bound because of them.
  if (seq == self->firstSync_) self->secondSync_ = pw_core_sync(self->core_, PW_ID_CORE, 0);
  if (seq == self->secondSync_ && !self->mirrorComplete_) {
    self->mirrorComplete_ = true;
    pw_thread_loop_signal(self->loop_, false);
  }
}

void PipeWireHardware::onCoreError(void* data, uint32_t id, int, int res, const char*) {
  auto* self = static_cast<PipeWireHardware*>(data);
  if (id != PW_ID_CORE || res != -EPIPE) return;
  // The core cannot be torn down inside its own event: the timer does it next.
  self->connectionLost_ = true;
  self->armTimer(0);
  pw_thread_loop_signal(self->loop_, false);
}

void PipeWireHardware::onTimer(void* data, uint64_t) {
  auto* self = static_cast<PipeWireHardware*>(data);
  if (self->connectionLost_ && self->core_ != nullptr) self->disconnect();
  if (self->core_ == nullptr) self->connect();
}

void PipeWireHardware::onPingTimer(void* data, uint64_t) {
  auto* self = static_cast<PipeWireHardware*>(data);
  if (self->core_ == nullptr) return;
  const uint64_t now = monotonicNanoseconds();
  if (self->pingSync_ == -1) {
    self->pingSync_ = pw_core_sync(self->core_, PW_ID_CORE, 0);
    self->pingSentNanoseconds_ = now;
  } else if (now - self->pingSentNanoseconds_ > kUnansweredNanoseconds) {
    self->answering_ = false;
  }
}

bool PipeWireHardware::daemonAnswers() {
  if (core_ == nullptr || !answering_) return false;
  awaitedSync_ = pw_core_sync(core_, PW_ID_CORE, 0);
  awaitedAnswered_ = false;
  timespec deadline{};
  pw_thread_loop_get_time(loop_, &deadline, kAnswerWaitNanoseconds);
  while (!awaitedAnswered_ && core_ != nullptr) {
    if (pw_thread_loop_timed_wait_full(loop_, &deadline) != 0) break;
  }
  awaitedSync_ = -1;
  return awaitedAnswered_;
}

void PipeWireHardware::armTimer(long milliseconds) {
  timespec value{};
  // A zero value would disarm the timer.
  value.tv_nsec = milliseconds > 0 ? milliseconds * 1000000 : 1;
  while (value.tv_nsec >= 1000000000) {
    value.tv_sec += 1;
    value.tv_nsec -= 1000000000;
  }
  pw_loop_update_timer(pw_thread_loop_get_loop(loop_), timer_, &value, nullptr, false);
}

void PipeWireHardware::publish(const PropertyChanges& changes) {
  if (!changes.empty()) listeners_.deliver(changes);
}

void PipeWireHardware::reportStreamStopped(AudioObjectID device) {
  publish({{device, kAudioDevicePropertyIOStoppedAbnormally}});
}

bool PipeWireHardware::isAskingForDevicesWithoutService(
    AudioObjectID object, const AudioObjectPropertyAddress& address) const {
  return object == kAudioObjectSystemObject && address.mSelector == kAudioHardwarePropertyDevices &&
         !serviceRunning_.load(std::memory_order_acquire);
}

bool PipeWireHardware::hasProperty(AudioObjectID object,
                                   const AudioObjectPropertyAddress* address) {
  return address != nullptr && mirror_.hasProperty(object, *address);
}

OSStatus PipeWireHardware::getPropertyDataSize(AudioObjectID object,
                                               const AudioObjectPropertyAddress* address, UInt32,
                                               const void*, UInt32* outDataSize) {
  if (address == nullptr || outDataSize == nullptr) return kAudio_ParamError;
  if (isAskingForDevicesWithoutService(object, *address)) return kAudioHardwareNotRunningError;
  return mirror_.dataSize(object, *address, outDataSize);
}

OSStatus PipeWireHardware::getPropertyData(AudioObjectID object,
                                           const AudioObjectPropertyAddress* address, UInt32,
                                           const void*, UInt32* ioDataSize, void* outData) {
  if (address == nullptr || ioDataSize == nullptr || outData == nullptr) return kAudio_ParamError;
  if (isAskingForDevicesWithoutService(object, *address)) return kAudioHardwareNotRunningError;
  return mirror_.data(object, *address, ioDataSize, outData);
}

OSStatus PipeWireHardware::addPropertyListenerBlock(AudioObjectID object,
                                                    const AudioObjectPropertyAddress* address,
                                                    DispatchQueue* queue,
                                                    AudioObjectPropertyListenerBlock listener) {
  if (address == nullptr || queue == nullptr || !listener) return kAudio_ParamError;
  listeners_.add(object, *address, queue, std::move(listener));
  return noErr;
}

OSStatus PipeWireHardware::removePropertyListenerBlock(AudioObjectID object,
                                                       const AudioObjectPropertyAddress* address,
                                                       DispatchQueue* queue,
                                                       AudioObjectPropertyListenerBlock listener) {
  if (address == nullptr) return kAudio_ParamError;
  return listeners_.remove(object, *address, queue, listener) ? noErr : kAudio_ParamError;
}
