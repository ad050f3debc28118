#include "platform/pipewire/PipeWireHardwareUnit.h"

#include "platform/AudioUnitPropertyValue.h"

#include <spa/debug/types.h>
#include <spa/param/audio/format-utils.h>
#include <spa/param/audio/raw-types.h>
#include <spa/utils/result.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/pipewire/MonotonicClock.h"
#include "platform/pipewire/ThreadLoopLock.h"

namespace {

// How long a starting stream may take to reach the streaming state.
constexpr int kConnectSeconds = 2;
// A cycle that began longer ago than this is not the one being processed.
constexpr std::uint64_t kStaleCycleNanos = 1000000000;

bool isPlanarFloat(const AudioStreamBasicDescription& format) {
  return format.mFormatID == kAudioFormatLinearPCM &&
         (format.mFormatFlags & kAudioFormatFlagIsFloat) != 0 &&
         (format.mFormatFlags & kAudioFormatFlagIsNonInterleaved) != 0 &&
         format.mBitsPerChannel == 32 && format.mChannelsPerFrame >= 1 &&
         std::isfinite(format.mSampleRate) && format.mSampleRate > 0.0;
}

}  // namespace

PipeWireHardwareUnit::PipeWireHardwareUnit(PipeWireHardware& hardware) : hardware_(hardware) {}

PipeWireHardwareUnit::~PipeWireHardwareUnit() {
  outputStop();
}

OSStatus PipeWireHardwareUnit::setProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                           AudioUnitElement element, const void* data,
                                           UInt32 dataSize) {
  switch (property) {
    case kAudioOutputUnitProperty_EnableIO:
      if (scope == kAudioUnitScope_Input && element == 1) {
        return copyPropertyIn(inputEnabled_, data, dataSize);
      }
      if (scope == kAudioUnitScope_Output && element == 0) {
        return copyPropertyIn(outputEnabled_, data, dataSize);
      }
      return kAudioUnitErr_InvalidScope;
    case kAudioOutputUnitProperty_CurrentDevice: {
      AudioObjectID device = kAudioObjectUnknown;
      if (OSStatus status = copyPropertyIn(device, data, dataSize); status != noErr) return status;
      if (!hardware_.streamTarget(device)) return kAudioHardwareBadObjectError;
      device_ = device;
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice: {
      UInt32 frames = 0;
      if (OSStatus status = copyPropertyIn(frames, data, dataSize); status != noErr) return status;
      if (frames == 0) return kAudioUnitErr_InvalidPropertyValue;
      maximumFrames_ = frames;
      return noErr;
    }
    case kAudioOutputUnitProperty_ChannelMap: {
      if (scope != kAudioUnitScope_Output || element != 1) return kAudioUnitErr_InvalidScope;
      if (data == nullptr || dataSize < sizeof(SInt32) || dataSize % sizeof(SInt32) != 0) {
        return kAudio_ParamError;
      }
      SInt32 map[2] = {-1, -1};
      std::memcpy(map, data, std::min<std::size_t>(dataSize, sizeof(map)));
      std::copy(std::begin(map), std::end(map), channelMap_);
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat: {
      const bool clientSide = (scope == kAudioUnitScope_Output && element == 1) ||
                              (scope == kAudioUnitScope_Input && element == 0);
      if (!clientSide) return kAudioUnitErr_InvalidScope;
      AudioStreamBasicDescription format{};
      if (OSStatus status = copyPropertyIn(format, data, dataSize); status != noErr) return status;
      if (!isPlanarFloat(format)) return kAudioUnitErr_FormatNotSupported;
      clientFormat_ = format;
      return noErr;
    }
    case kAudioOutputUnitProperty_SetInputCallback:
      return copyPropertyIn(inputCallback_, data, dataSize);
    case kAudioUnitProperty_SetRenderCallback:
      if (scope != kAudioUnitScope_Input || element != 0) return kAudioUnitErr_InvalidScope;
      return copyPropertyIn(renderCallback_, data, dataSize);
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus PipeWireHardwareUnit::getProperty(AudioUnitPropertyID property, AudioUnitScope scope,
                                           AudioUnitElement element, void* outData,
                                           UInt32* ioDataSize) {
  switch (property) {
    case kAudioOutputUnitProperty_EnableIO:
      if (scope == kAudioUnitScope_Input && element == 1) {
        return copyPropertyOut(inputEnabled_, outData, ioDataSize);
      }
      if (scope == kAudioUnitScope_Output && element == 0) {
        return copyPropertyOut(outputEnabled_, outData, ioDataSize);
      }
      return kAudioUnitErr_InvalidScope;
    case kAudioOutputUnitProperty_CurrentDevice:
      return copyPropertyOut(device_, outData, ioDataSize);
    case kAudioUnitProperty_MaximumFramesPerSlice:
      return copyPropertyOut(maximumFrames_, outData, ioDataSize);
    case kAudioUnitProperty_StreamFormat:
      if (!clientFormat_) return kAudioUnitErr_InvalidPropertyValue;
      return copyPropertyOut(*clientFormat_, outData, ioDataSize);
    case kVXAudioUnitProperty_PlatformErrorText:
      if (lastError_.empty()) return kAudioUnitErr_InvalidPropertyValue;
      if (outData == nullptr || ioDataSize == nullptr) return kAudio_ParamError;
      *ioDataSize = static_cast<UInt32>(std::min<std::size_t>(*ioDataSize, lastError_.size()));
      std::memcpy(outData, lastError_.data(), *ioDataSize);
      return noErr;
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

OSStatus PipeWireHardwareUnit::setParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                                            AudioUnitParameterValue, UInt32) {
  return kAudioUnitErr_InvalidParameter;
}

OSStatus PipeWireHardwareUnit::getParameter(AudioUnitParameterID, AudioUnitScope, AudioUnitElement,
                                            AudioUnitParameterValue*) {
  return kAudioUnitErr_InvalidParameter;
}

OSStatus PipeWireHardwareUnit::initialize() {
  if ((inputEnabled_ != 0) == (outputEnabled_ != 0)) return kAudioUnitErr_InvalidPropertyValue;
  if (device_ == kAudioObjectUnknown) return kAudioUnitErr_NoConnection;
  initialized_ = true;
  return noErr;
}

OSStatus PipeWireHardwareUnit::uninitialize() {
  outputStop();
  initialized_ = false;
  return noErr;
}

OSStatus PipeWireHardwareUnit::outputStart() {
  if (!initialized_) return kAudioUnitErr_Uninitialized;
  {
    ThreadLoopLock lock(hardware_.threadLoop());
    if (running_) return noErr;
  }
  lastError_.clear();
  std::optional<StreamTarget> target = hardware_.streamTarget(device_);
  if (!target || target->channels == 0) return kAudioHardwareBadObjectError;
  if (capturing() ? !target->hasInput : !target->hasOutput) return kAudioHardwareBadObjectError;
  channelData_.assign(capturing() ? target->channels : 0, nullptr);
  capturedChannels_ = capturing() ? channelsToCapture(*target) : std::vector<UInt32>{};
  capturedFrames_ = 0;
  sampleTime_ = 0.0;
  lastCycleArea_ = nullptr;
  uncountedFrames_ = 0;
  return connect(*target);
}

std::vector<UInt32> PipeWireHardwareUnit::channelsToCapture(const StreamTarget& target) const {
  const auto positionId = [&](SInt32 channel) -> uint32_t {
    if (channel < 0 || static_cast<std::size_t>(channel) >= target.positions.size() ||
        static_cast<UInt32>(channel) >= target.channels) {
      return SPA_AUDIO_CHANNEL_UNKNOWN;
    }
    const std::string& position = target.positions[channel];
    if (std::count(target.positions.begin(), target.positions.end(), position) != 1) {
      return SPA_AUDIO_CHANNEL_UNKNOWN;
    }
    const uint32_t id = spa_debug_type_find_type_short(spa_type_audio_channel, position.c_str());
    return id == SPA_ID_INVALID ? uint32_t{SPA_AUDIO_CHANNEL_UNKNOWN} : id;
  };
  const uint32_t left = positionId(channelMap_[0]);
  const uint32_t right = positionId(channelMap_[1]);
  // The stream's planes come in the order of its positions, which the converter in between might
  // sort: positions already in ascending order leave nothing to sort.
  if (left != SPA_AUDIO_CHANNEL_UNKNOWN && right != SPA_AUDIO_CHANNEL_UNKNOWN && left < right) {
    return {static_cast<UInt32>(channelMap_[0]), static_cast<UInt32>(channelMap_[1])};
  }
  std::vector<UInt32> all(target.channels);
  for (UInt32 channel = 0; channel < target.channels; ++channel) all[channel] = channel;
  return all;
}

OSStatus PipeWireHardwareUnit::connect(const StreamTarget& target) {
  const bool capture = capturing();
  const double rate = clientFormat_ ? clientFormat_->mSampleRate : target.rate;
  const UInt32 channels = capture ? static_cast<UInt32>(capturedChannels_.size()) : 2;
  std::vector<std::string> positions{"FL", "FR"};
  if (capture) {
    positions.clear();
    for (const UInt32 channel : capturedChannels_) {
      positions.push_back(channel < target.positions.size() ? target.positions[channel] : "");
    }
  }

  pw_properties* props = pw_properties_new(
      PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, capture ? "Capture" : "Playback",
      PW_KEY_MEDIA_ROLE, "Production", PW_KEY_NODE_NAME,
      capture ? "vexmora-monitor-input" : "vexmora-monitor-output", PW_KEY_TARGET_OBJECT,
      target.nodeName.c_str(), PW_KEY_NODE_DONT_RECONNECT, "true", nullptr);
  // The pair plays as it is: never upmixed into a surround sink's other channels. A mono sink
  // takes the mix of both sides; unmixed, it would play the left side alone.
  pw_properties_set(props, PW_KEY_STREAM_DONT_REMIX,
                    capture || target.channels != 1 ? "true" : "false");
  // Ask for the graph's own quantum, so that the buffer size the catalog reports is the one used.
  // The quantum counts frames at the graph's rate; over a device's faster rate of its own it would
  // ask for a shorter period and shrink the quantum of the device's whole graph, whose cycles then
  // no longer fit around the other stream's work on the same data thread.
  pw_properties_setf(props, PW_KEY_NODE_LATENCY, "%u/%u", target.quantum,
                     static_cast<unsigned>(std::lround(target.graphRate)));

  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32P;
  info.rate = static_cast<uint32_t>(std::lround(rate));
  info.channels = std::min<UInt32>(channels, SPA_AUDIO_MAX_CHANNELS);
  bool positioned = positions.size() >= info.channels;
  for (uint32_t i = 0; positioned && i < info.channels; ++i) {
    info.position[i] = spa_debug_type_find_type_short(spa_type_audio_channel, positions[i].c_str());
    positioned =
        info.position[i] != SPA_ID_INVALID && info.position[i] != SPA_AUDIO_CHANNEL_UNKNOWN;
  }
  if (!positioned) info.flags |= SPA_AUDIO_FLAG_UNPOSITIONED;
  uint8_t podBuffer[1024];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(podBuffer, sizeof(podBuffer));
  const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};

  static const pw_stream_events events = [] {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.state_changed = &PipeWireHardwareUnit::onStateChanged;
    e.process = &PipeWireHardwareUnit::onProcess;
    e.io_changed = &PipeWireHardwareUnit::onIoChanged;
    return e;
  }();

  ThreadLoopLock lock(hardware_.threadLoop());
  if (hardware_.core() == nullptr) {
    pw_properties_free(props);
    return kAudioHardwareNotRunningError;
  }
  if (!hardware_.daemonAnswers()) {
    pw_properties_free(props);
    lastError_ = "PipeWire is not answering";
    return kAudioHardwareNotRunningError;
  }
  stream_ =
      pw_stream_new(hardware_.core(), capture ? "Vexmora Monitor input" : "Vexmora Monitor", props);
  if (stream_ == nullptr) {
    lastError_ = spa_strerror(-errno);
    return kAudio_MemFullError;
  }
  hardware_.attachStream(this);
  state_ = PW_STREAM_STATE_UNCONNECTED;
  streamError_.clear();
  pw_stream_add_listener(stream_, &streamListener_, &events, this);
  const auto flags =
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                   PW_STREAM_FLAG_RT_PROCESS | PW_STREAM_FLAG_DONT_RECONNECT);
  if (const int result = pw_stream_connect(
          stream_, capture ? PW_DIRECTION_INPUT : PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1);
      result < 0) {
    lastError_ = spa_strerror(result);
    destroyStream();
    return kAudioHardwareNotRunningError;
  }
  timespec deadline{};
  pw_thread_loop_get_time(hardware_.threadLoop(), &deadline, kConnectSeconds * SPA_NSEC_PER_SEC);
  while (state_ != PW_STREAM_STATE_STREAMING && state_ != PW_STREAM_STATE_ERROR) {
    if (pw_thread_loop_timed_wait_full(hardware_.threadLoop(), &deadline) != 0) break;
  }
  if (state_ != PW_STREAM_STATE_STREAMING) {
    lastError_ = state_ == PW_STREAM_STATE_ERROR && !streamError_.empty()
                     ? streamError_
                     : std::string("the stream was still “") + pw_stream_state_as_string(state_) +
                           "” after " + std::to_string(kConnectSeconds) + " s";
    destroyStream();
    return kAudioHardwareNotRunningError;
  }
  running_ = true;
  return noErr;
}

OSStatus PipeWireHardwareUnit::outputStop() {
  ThreadLoopLock lock(hardware_.threadLoop());
  running_ = false;
  destroyStream();
  return noErr;
}

void PipeWireHardwareUnit::destroyStream() {
  if (stream_ == nullptr) return;
  position_.store(nullptr, std::memory_order_release);
  // Our own teardown is no failure: the listener goes first, so no state change reports one.
  spa_hook_remove(&streamListener_);
  pw_stream_destroy(stream_);
  hardware_.detachStream(this);
  stream_ = nullptr;
  state_ = PW_STREAM_STATE_UNCONNECTED;
}

void PipeWireHardwareUnit::releaseStream() {
  const bool wasRunning = running_;
  running_ = false;
  destroyStream();
  if (wasRunning) hardware_.reportStreamStopped(device_);
}

void PipeWireHardwareUnit::onStateChanged(void* data, pw_stream_state, pw_stream_state state,
                                          const char* error) {
  auto* self = static_cast<PipeWireHardwareUnit*>(data);
  self->state_ = state;
  if (state == PW_STREAM_STATE_ERROR && error != nullptr) self->streamError_ = error;
  pw_thread_loop_signal(self->hardware_.threadLoop(), false);
  if (self->running_ && (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)) {
    self->running_ = false;
    self->hardware_.reportStreamStopped(self->device_);
  }
}

void PipeWireHardwareUnit::onProcess(void* data) {
  auto* self = static_cast<PipeWireHardwareUnit*>(data);
  if (self->capturing()) {
    self->processCapture();
  } else {
    self->processPlayback();
  }
}

void PipeWireHardwareUnit::onIoChanged(void* data, uint32_t id, void* area, uint32_t size) {
  if (id != SPA_IO_Position) return;
  auto* self = static_cast<PipeWireHardwareUnit*>(data);
  const bool whole = area != nullptr && size >= sizeof(spa_io_position);
  self->position_.store(whole ? static_cast<const spa_io_position*>(area) : nullptr,
                        std::memory_order_release);
}

// When the driver began this cycle: when the input block was complete, or when the output pull is
// due. Both streams' stamps then follow their devices' clocks however late the graph runs us; the
// time of the call itself would jitter by the scheduling delay of each side, and the fill estimate
// between the two sides' blocks with it.
std::uint64_t PipeWireHardwareUnit::cycleNanos() const {
  const std::uint64_t called = monotonicNanoseconds();
  const spa_io_position* position = position_.load(std::memory_order_acquire);
  if (position == nullptr) return called;
  const auto began = static_cast<std::uint64_t>(position->clock.nsec);
  // A driver that keeps no time, or a stale position, is no better than the call's own time.
  if (began == 0 || began > called || called - began > kStaleCycleNanos) return called;
  return began;
}

// A loaded machine makes the graph skip cycles: the device played silence for them, or its input
// for them is gone. Its clock went on, so the sample time does too, as a card's does; the
// callbacks then keep the ring on the devices' clocks. A step counts once the next cycle follows
// it by exactly one cycle: a stream that runs late can see the position its driver already set
// for the next cycle, and the same position again in that cycle. A leap of more than a second is
// a new driver or a restarted clock, not missed cycles.
void PipeWireHardwareUnit::countMissedCycles() {
  const spa_io_position* position = position_.load(std::memory_order_acquire);
  if (position == nullptr) {
    lastCycleArea_ = nullptr;
    return;
  }
  const spa_io_clock& clock = position->clock;
  if (position != lastCycleArea_ || clock.id != lastCycleClock_ || clock.rate.denom == 0 ||
      !clientFormat_) {
    uncountedFrames_ = 0;
  } else {
    const auto step =
        static_cast<std::int64_t>(clock.position - (lastCyclePosition_ + lastCycleDuration_));
    const std::int64_t second = clock.rate.denom;
    if (step > second || step < -second) {
      uncountedFrames_ = 0;
    } else if (step != 0) {
      uncountedFrames_ += step;
    } else {
      if (uncountedFrames_ > 0) {
        sampleTime_ += std::round(static_cast<double>(uncountedFrames_) *
                                  clientFormat_->mSampleRate / clock.rate.denom);
      }
      uncountedFrames_ = 0;
    }
  }
  lastCycleArea_ = position;
  lastCycleClock_ = clock.id;
  lastCyclePosition_ = clock.position;
  lastCycleDuration_ = clock.duration;
}

AudioTimeStamp PipeWireHardwareUnit::nextTimeStamp(UInt32 frames, std::uint64_t hostNanos) {
  AudioTimeStamp stamp{};
  stamp.mSampleTime = sampleTime_;
  stamp.mHostTime = hostNanos;
  stamp.mRateScalar = 1.0;
  stamp.mFlags = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid;
  sampleTime_ += frames;
  return stamp;
}

void PipeWireHardwareUnit::processCapture() {
  countMissedCycles();
  pw_buffer* buffer = pw_stream_dequeue_buffer(stream_);
  if (buffer == nullptr) return;
  const spa_buffer* planes = buffer->buffer;
  UInt32 frames = UINT32_MAX;
  std::fill(channelData_.begin(), channelData_.end(), nullptr);
  for (std::size_t i = 0; i < capturedChannels_.size() && i < planes->n_datas; ++i) {
    const spa_data& plane = planes->datas[i];
    if (plane.data == nullptr || plane.chunk == nullptr) continue;
    const uint32_t offset = std::min(plane.chunk->offset, plane.maxsize);
    const uint32_t size = std::min(plane.chunk->size, plane.maxsize - offset);
    channelData_[capturedChannels_[i]] =
        reinterpret_cast<const float*>(static_cast<const uint8_t*>(plane.data) + offset);
    frames = std::min<UInt32>(frames, size / sizeof(float));
  }
  // A device pinned above the graph's rate delivers more frames a cycle than the graph's quantum;
  // the callback takes them in slices no longer than it was sized for.
  const UInt32 available = frames == UINT32_MAX ? 0 : frames;
  // The whole buffer was complete when the cycle began; each slice ended as many frames earlier as
  // the buffer holds after it.
  const std::uint64_t complete = cycleNanos();
  const double framesPerNano = clientFormat_ ? clientFormat_->mSampleRate * 1e-9 : 0.0;
  for (UInt32 done = 0; done < available && inputCallback_.inputProc != nullptr;
       done += capturedFrames_) {
    capturedFrames_ = std::min(available - done, maximumFrames_);
    AudioUnitRenderActionFlags flags = 0;
    const UInt32 later = available - done - capturedFrames_;
    const auto earlier =
        framesPerNano > 0.0 ? static_cast<std::uint64_t>(later / framesPerNano) : 0;
    const AudioTimeStamp stamp =
        nextTimeStamp(capturedFrames_, complete > earlier ? complete - earlier : complete);
    inputCallback_.inputProc(inputCallback_.inputProcRefCon, &flags, &stamp, 1, capturedFrames_,
                             nullptr);
    for (const float*& plane : channelData_) {
      if (plane != nullptr) plane += capturedFrames_;
    }
  }
  pw_stream_queue_buffer(stream_, buffer);
}

void PipeWireHardwareUnit::processPlayback() {
  countMissedCycles();
  pw_buffer* buffer = pw_stream_dequeue_buffer(stream_);
  if (buffer == nullptr) return;
  spa_buffer* planes = buffer->buffer;
  if (planes->n_datas < 2 || planes->datas[0].data == nullptr || planes->datas[1].data == nullptr) {
    pw_stream_queue_buffer(stream_, buffer);
    return;
  }
  UInt32 frames = std::min(planes->datas[0].maxsize, planes->datas[1].maxsize) / sizeof(float);
  if (buffer->requested != 0) frames = std::min<UInt64>(frames, buffer->requested);
  frames = std::min(frames, maximumFrames_);
  float* left = static_cast<float*>(planes->datas[0].data);
  float* right = static_cast<float*>(planes->datas[1].data);
  OSStatus status = kAudioUnitErr_NoConnection;
  if (renderCallback_.inputProc != nullptr) {
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp stamp = nextTimeStamp(frames, cycleNanos());
    outputBuffers_.point(left, right, frames);
    status = renderCallback_.inputProc(renderCallback_.inputProcRefCon, &flags, &stamp, 0, frames,
                                       outputBuffers_.get());
  }
  if (status != noErr) {
    std::fill_n(left, frames, 0.0f);
    std::fill_n(right, frames, 0.0f);
  }
  for (uint32_t i = 0; i < planes->n_datas; ++i) {
    spa_chunk* chunk = planes->datas[i].chunk;
    chunk->offset = 0;
    chunk->stride = sizeof(float);
    chunk->size = frames * sizeof(float);
  }
  pw_stream_queue_buffer(stream_, buffer);
}

OSStatus PipeWireHardwareUnit::render(AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                                      UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                      AudioBufferList* ioData) {
  if (!capturing()) return kAudio_UnimplementedError;
  if (inOutputBusNumber != 1) return kAudioUnitErr_InvalidElement;
  if (ioData == nullptr) return kAudio_ParamError;
  if (inNumberFrames > capturedFrames_) return kAudioUnitErr_TooManyFramesToProcess;
  const UInt32 buffers = std::min<UInt32>(ioData->mNumberBuffers, 2);
  for (UInt32 k = 0; k < buffers; ++k) {
    AudioBuffer& out = ioData->mBuffers[k];
    if (out.mData == nullptr) return kAudio_ParamError;
    const SInt32 channel = channelMap_[k];
    const float* source = channel >= 0 && static_cast<std::size_t>(channel) < channelData_.size()
                              ? channelData_[channel]
                              : nullptr;
    auto* target = static_cast<float*>(out.mData);
    if (source != nullptr) {
      std::copy_n(source, inNumberFrames, target);
    } else {
      std::fill_n(target, inNumberFrames, 0.0f);
    }
    out.mDataByteSize = inNumberFrames * sizeof(float);
  }
  return noErr;
}
