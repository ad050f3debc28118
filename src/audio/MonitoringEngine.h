#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "audio/CaptureCallbackContext.h"
#include "audio/CaptureProgress.h"
#include "audio/MonitoringConfiguration.h"
#include "audio/PlaybackCallbackContext.h"
#include "audio/RealtimeSnapshot.h"
#include "audio/RingReadCallbackContext.h"
#include "platform/AudioUnitPort.h"
#include "platform/BlockingSleep.h"
#include "ringbuffer/VXRingBuffer.h"

// Turns one route into running audio and back. Main thread only; the real-time threads see only
// the ring buffer and the callback contexts, which outlive every unit that calls them.
class MonitoringEngine {
 public:
  MonitoringEngine(AudioComponentPort& components, BlockingSleep& sleep);
  ~MonitoringEngine();
  MonitoringEngine(const MonitoringEngine&) = delete;
  MonitoringEngine& operator=(const MonitoringEngine&) = delete;

  // Throws CoreAudioFailure; the engine is stopped after any failure.
  void start(const MonitoringConfiguration& configuration, bool muted);
  void stop();
  // `now` is the caller's monotonic time; a route whose input has stored nothing for a second by
  // that clock reports a stall as its runtime failure.
  std::optional<RealtimeSnapshot> realtimeSnapshot(std::chrono::steady_clock::time_point now);
  void setMuted(bool muted);
  void clearClips();
  void clearLeftClip();
  void clearRightClip();
  bool isRunning() const { return isRunning_; }

 private:
  static void validate(double sampleRate, const char* route);
  AudioUnit makeAudioUnit(OSType type, OSType subtype);
  void configureInputUnit(AudioUnit unit, const MonitoringConfiguration& configuration,
                          VXRingBufferRef ring);
  void configureVarispeedUnit(AudioUnit unit, const MonitoringConfiguration& configuration,
                              VXRingBufferRef ring);
  void configureOutputUnit(AudioUnit unit, const MonitoringConfiguration& configuration,
                           VXRingBufferRef ring, AudioUnit varispeed);
  void buildAndStart(const MonitoringConfiguration& configuration);

  AudioComponentPort& components_;
  BlockingSleep& sleep_;

  AudioUnit inputUnit_ = nullptr;
  AudioUnit varispeedUnit_ = nullptr;
  AudioUnit outputUnit_ = nullptr;
  VXRingBufferRef ring_ = nullptr;
  std::unique_ptr<CaptureProgress> captureProgress_;
  std::unique_ptr<CaptureCallbackContext> captureContext_;
  std::unique_ptr<RingReadCallbackContext> ringReadContext_;
  std::unique_ptr<PlaybackCallbackContext> playbackContext_;
  std::optional<MonitoringConfiguration> configuration_;
  double converterLatencySeconds_ = 0;
  bool isRunning_ = false;
  // The input's progress as the last snapshot saw it, and when it last moved.
  std::uint64_t writtenFrames_ = 0;
  std::optional<std::chrono::steady_clock::time_point> inputMovedAt_;
};
