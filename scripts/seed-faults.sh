#!/usr/bin/env bash
# Seeds small deliberate faults into src/, one at a time, and shows which tests catch each.
# For every fault: replace one exact text (it must occur exactly once, or the run stops), rebuild
# only the test binaries of the subsystem touched, run them, put the file back. A fault that no
# test notices is reported as MISSED.
#
#   scripts/seed-faults.sh [NAME...]   run all faults, or only those named
#
# Builds in build/default (configured if missing); the memory-order fault needs build/tsan.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source /work/ccache-env.sh 2>/dev/null || true
jobs=${VX_SEED_JOBS:-2}
log_dir=${VX_SEED_LOG_DIR:-$root/build/seed-faults}
mkdir -p "$log_dir"

names=() files=() froms=() tos=() targets=()
# fault NAME FILE FROM TO TARGET...   TARGET is a test binary, optionally "preset:binary".
fault() {
  names+=("$1") files+=("$2") froms+=("$3") tos+=("$4")
  shift 4
  targets+=("$*")
}

ring=src/ringbuffer/VXRingBuffer.cpp
fault ring-free-space-off-by-one $ring \
  '- write + ring->capacity;' '- write + ring->capacity - 1;' \
  vx_ringbuffer_tests vx_ringbuffer_concurrency_tests
fault ring-publish-relaxed $ring \
  'ring->writeIndex.store(write + frames, std::memory_order_release);' \
  'ring->writeIndex.store(write + frames, std::memory_order_relaxed);' \
  tsan:vx_ringbuffer_concurrency_tests
fault ring-resync-half-target $ring \
  'write - ring->targetFrames : 0' 'write - ring->targetFrames / 2 : 0' \
  vx_ringbuffer_tests vx_ringbuffer_concurrency_tests
fault ring-priming-skips-fade-in $ring \
  '    ring->outputGain = 0.0f;
    ring->primed = true;' '    ring->primed = true;' \
  vx_ringbuffer_tests vx_ringbuffer_concurrency_tests
fault ring-clip-threshold $ring \
  'kClipThreshold = 0.9999f' 'kClipThreshold = 1.0f' \
  vx_ringbuffer_tests vx_ringbuffer_concurrency_tests

fault capture-swapped-channels src/audio/RenderCallbacks.cpp \
  'context->left.data(), context->right.data(), inNumberFrames' \
  'context->right.data(), context->left.data(), inNumberFrames' \
  vx_audio_tests vx_realtime_tests
fault drift-rate-unclamped src/audio/RenderCallbacks.cpp \
  'return std::min(raw, 1.0 + kMaximumCorrection);' 'return raw;' \
  vx_audio_tests vx_realtime_tests
fault fade-out-uncapped src/audio/MonitoringEngine.cpp \
  '    seconds = std::min(seconds, kLongestFadeSeconds);
' '' \
  vx_audio_tests vx_realtime_tests
fault stop-without-fade src/audio/MonitoringEngine.cpp \
  '    VXRingBufferSetMuted(ring_, true);
    // Long enough' '    // Long enough' \
  vx_audio_tests vx_realtime_tests
fault stop-leaves-input-running src/audio/MonitoringEngine.cpp \
  '  if (inputUnit_ != nullptr) AudioOutputUnitStop(inputUnit_);
  for' '  for' \
  vx_audio_tests vx_realtime_tests
fault ring-sizing-short-latency src/audio/RingSizing.cpp \
  'kMinimumLatencySeconds = 0.07' 'kMinimumLatencySeconds = 0.05' \
  vx_audio_tests

fault default-output-listener-dropped src/devices/AudioDeviceService.cpp \
  '  addListener(kAudioObjectSystemObject, propertyAddress(kAudioHardwarePropertyDefaultOutputDevice),
              Change::defaultOutput, globalListeners_);
' '' \
  vx_devices_tests vx_devices_concurrency_tests
fault forgotten-input-kept src/devices/AppPreferences.cpp \
  '    defaults.removeObject(kInputDeviceUIDKey);' '' \
  vx_devices_tests
fault signal-path-rate-unrounded src/devices/AudioFormatDescription.cpp \
  'TechnicalNumberFormat::fixed(sampleRate / 1000, 1)' \
  'TechnicalNumberFormat::fixed(sampleRate / 1000, 0)' \
  vx_devices_tests

fault muted-status-row-inverted src/controller/MonitorViewModelStatus.cpp \
  'if (isMuted_) {' 'if (!isMuted_) {' \
  vx_controller_tests
fault restricted-permission-allowed src/controller/MonitorViewModelStatus.cpp \
  '  return permission == MicrophonePermission::denied ||
         permission == MicrophonePermission::restricted;' \
  '  return permission == MicrophonePermission::denied;' \
  vx_controller_tests
fault start-offered-while-starting src/controller/MonitorViewModelStatus.cpp \
  '    case MonitoringPhase::Kind::starting:
' '' \
  vx_controller_tests
fault catalog-debounce-short src/controller/MonitorViewModel.h \
  'refreshDebounce{200}' 'refreshDebounce{100}' \
  vx_controller_tests
fault peak-release-below-level src/controller/MeterBallistics.cpp \
  'std::max(old.peakDBFS - peakReleasePerPoll * polls, reading.levelDBFS)' \
  'old.peakDBFS - peakReleasePerPoll * polls' \
  vx_controller_tests
fault unseen-meters-fall-per-poll src/controller/MonitorViewModelPolling.cpp \
  'const int polls = pollStride();' 'const int polls = 1;' \
  vx_controller_tests
fault restart-retry-not-doubled src/controller/MonitorViewModelRoute.cpp \
  'std::min(2 * restartRetryDelay_, lastRestartRetryDelay)' \
  'std::min(restartRetryDelay_, lastRestartRetryDelay)' \
  vx_controller_tests

fault spoken-decibels-ties-to-even src/ui/LevelMeterTexts.cpp \
  'std::llround(std::clamp(dBFS' 'std::llrint(std::clamp(dBFS' \
  vx_ui_tests
fault hairlines-start-a-pixel-low src/ui/FaceplateBackground.cpp \
  'for (double y = 0.5; y < height' 'for (double y = 1.5; y < height' \
  vx_ui_tests

fault settled-mute-passes-audio $ring \
  'if (goal == 0.0f) {' 'if (goal == 0.5f) {' \
  vx_ringbuffer_tests vx_audio_tests
fault skipped-input-not-silenced src/audio/RenderCallbacks.cpp \
  'frames = std::min(frames, buffered < target ? target - buffered : 0);' \
  'frames = std::min(frames, buffered < target ? target - buffered : 0) * 0;' \
  vx_audio_tests
fault skipped-output-kept src/ringbuffer/VXRingBuffer.cpp \
  'ring->readIndex.store(read + dropped, std::memory_order_release);' \
  'static_cast<void>(dropped);' \
  vx_audio_tests

fault varispeed-ratio-inverted src/platform/resampler/VarispeedUnit.cpp \
  'set_rratio(1.0 / playbackRate);' \
  'set_rratio(playbackRate);' \
  vx_audio_soak_tests

current_file="" backup=""
restore() {
  if [[ -n $current_file ]]; then
    # Rewritten, not copied with its old time stamp, so that the next build compiles it again.
    cat "$backup" >"$current_file"
    rm -f "$backup"
    current_file=""
  fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

configure() {
  local preset=$1
  [[ -f build/$preset/build.ninja ]] && return 0
  cmake --preset "$preset" >"$log_dir/configure-$preset.log" 2>&1
}

selected=("$@")
wanted() {
  ((${#selected[@]} == 0)) && return 0
  local name
  for name in "${selected[@]}"; do [[ $name == "$1" ]] && return 0; done
  return 1
}

caught=0 total=0 summary=()
for i in "${!names[@]}"; do
  name=${names[$i]}
  wanted "$name" || continue
  file=${files[$i]}
  total=$((total + 1))
  backup=$(mktemp)
  cp "$file" "$backup"
  current_file=$file
  if ! FROM=${froms[$i]} TO=${tos[$i]} perl -0pi -e \
    '$n = s/\Q$ENV{FROM}\E/$ENV{TO}/g; END { exit($n == 1 ? 0 : 1) }' "$file"; then
    echo "seed-faults: $name: the text to replace no longer occurs exactly once in $file" >&2
    exit 2
  fi
  failed=() broken=""
  for entry in ${targets[$i]}; do
    preset=default binary=$entry
    [[ $entry == *:* ]] && preset=${entry%%:*} binary=${entry#*:}
    configure "$preset" || { broken="configure $preset"; break; }
    out="$log_dir/$name.$binary.log"
    if ! nice cmake --build "build/$preset" -j"$jobs" --target "$binary" >"$out.build" 2>&1; then
      broken="does not build: see $out.build"
      break
    fi
    [[ -x build/$preset/tests/$binary ]] || { broken="no binary $binary"; break; }
    # From the build directory: with the compiler cache the source paths tests find their scripts
    # by are relative to it.
    (cd "build/$preset" && TSAN_OPTIONS="halt_on_error=0 ${TSAN_OPTIONS:-}" \
      timeout 600 "tests/$binary" --gtest_brief=1) >"$out" 2>&1
    status=$?
    mapfile -t hits < <(sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' "$out" | sort -u)
    if ((${#hits[@]})); then
      failed+=("${hits[@]}")
    elif ((status != 0)); then
      failed+=("($binary exit $status)")
    fi
    if [[ $preset == tsan ]] && grep -q "WARNING: ThreadSanitizer" "$out"; then
      failed+=("(ThreadSanitizer report in $binary)")
    fi
  done
  restore
  if [[ -n $broken ]]; then
    # A fault the compiler rejects tests nothing: the table needs a different one.
    echo "seed-faults: $name: $broken" >&2
    exit 2
  fi
  if ((${#failed[@]})); then
    caught=$((caught + 1))
    line="caught  $name: ${failed[*]}"
  else
    line="MISSED  $name"
  fi
  echo "$line"
  summary+=("$line")
done

# Put the restored sources back into the binaries, so that later runs test the real code.
for entry in $(printf '%s\n' "${targets[@]}" | tr ' ' '\n' | sort -u); do
  preset=default binary=$entry
  [[ $entry == *:* ]] && preset=${entry%%:*} binary=${entry#*:}
  [[ -f build/$preset/build.ninja ]] &&
    nice cmake --build "build/$preset" -j"$jobs" --target "$binary" >/dev/null 2>&1
done

echo "caught $caught of $total"
((caught == total))
