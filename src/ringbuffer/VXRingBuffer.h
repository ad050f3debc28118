#pragma once

// The lock-free single-producer/single-consumer stereo ring between the capture callback (producer,
// input device's real-time thread) and the varispeed input callback (consumer, output device's
// real-time thread), with the measurements both sides report to the main (control) thread.
//
// Threads: Create, Destroy, Reset, SetMuted, TakeMeterSnapshot, Clear*Clip*, TakeError, Underruns,
// Overruns: control thread. Write: producer. Read, ApplyOutputEnvelope: consumer (output thread).
// BufferedFrames, TargetFrames, WrittenFrames: any thread. ReportError: any real-time thread.
// Nothing here allocates (except Create), locks, blocks or throws.

#include <cstdint>

typedef struct VXRingBuffer VXRingBuffer;
typedef VXRingBuffer* VXRingBufferRef;

struct VXMeterSnapshot {
  float leftPeak;
  float rightPeak;
  bool leftClipped;
  bool rightClipped;
};

// Null when memory is exhausted; nothing is leaked then.
VXRingBufferRef VXRingBufferCreate(std::uint32_t capacityFrames, std::uint32_t targetFrames);
// Null is allowed and does nothing.
void VXRingBufferDestroy(VXRingBufferRef ring);
// Legal only while no audio thread runs on this ring: it rewrites both positions non-atomically
// with respect to the other side.
void VXRingBufferReset(VXRingBufferRef ring);

std::uint32_t VXRingBufferWrite(VXRingBufferRef ring, const float* left, const float* right,
                                std::uint32_t frames);
std::uint32_t VXRingBufferRead(VXRingBufferRef ring, float* left, float* right,
                               std::uint32_t frames);
// Consumer side: drops up to `frames` of the oldest frames, as far as the target, for output the
// device's clock passed without playing. Nothing while priming or before a resynchronisation, which
// place the reader themselves. Returns the frames dropped.
std::uint64_t VXRingBufferSkip(VXRingBufferRef ring, std::uint64_t frames);
void VXRingBufferApplyOutputEnvelope(VXRingBufferRef ring, float* left, float* right,
                                     std::uint32_t frames, double sampleRate);

void VXRingBufferSetMuted(VXRingBufferRef ring, bool muted);
VXMeterSnapshot VXRingBufferTakeMeterSnapshot(VXRingBufferRef ring);
void VXRingBufferClearClips(VXRingBufferRef ring);
void VXRingBufferClearLeftClip(VXRingBufferRef ring);
void VXRingBufferClearRightClip(VXRingBufferRef ring);

std::uint64_t VXRingBufferBufferedFrames(VXRingBufferRef ring);
std::uint64_t VXRingBufferTargetFrames(VXRingBufferRef ring);
// Every frame the producer has stored since creation: it stands still while no input arrives.
std::uint64_t VXRingBufferWrittenFrames(VXRingBufferRef ring);
std::uint64_t VXRingBufferUnderruns(VXRingBufferRef ring);
std::uint64_t VXRingBufferOverruns(VXRingBufferRef ring);

void VXRingBufferReportError(VXRingBufferRef ring, std::int32_t status);
std::int32_t VXRingBufferTakeError(VXRingBufferRef ring);
