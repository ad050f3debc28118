#!/usr/bin/env bash
# Installs what is needed (Debian 12), builds, and starts VEXMORA MONITOR.
#
# Where no PipeWire session is running (a fresh container, a CI machine with a display), it starts
# the project's private session with a virtual 8-input interface and virtual speakers, and plays a
# test signal into the interface's inputs 1 and 2, so the meters move once monitoring starts.
# The program needs a display (X11 or Wayland); without one it says so and stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VX_BUILD_DIR:-$root/build/default}

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "run: VEXMORA MONITOR is a desktop program; start it from a graphical session." >&2
  echo "run: scripts/render-window.sh shows the window as PNG files without a display." >&2
  exit 1
fi

if [[ $(id -u) == 0 ]]; then
  bash "$root/scripts/install-deps.sh"
elif command -v sudo >/dev/null; then
  sudo bash "$root/scripts/install-deps.sh"
else
  echo "run: not root and no sudo; assuming the packages of scripts/install-deps.sh are installed."
fi

if [[ ! -f $build/build.ninja ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target vexmora-monitor -j"$(nproc)"
program=$build/src/vexmora-monitor

if timeout 3 pw-cli info 0 >/dev/null 2>&1; then
  exec "$program"
fi

session=${VX_PW_SESSION:-${TMPDIR:-/tmp}/vx-pw-session}
# Started by an earlier run: the program there shows its window again.
if PIPEWIRE_RUNTIME_DIR=$session/runtime timeout 3 pw-cli info 0 >/dev/null 2>&1; then
  PIPEWIRE_RUNTIME_DIR=$session/runtime exec "$program"
fi

echo "run: no PipeWire session is running; starting a private one with virtual devices."
export VX_PW_SESSION=$session
pw() { "$root/scripts/pw-session.sh" "$@"; }
pw start
trap 'pw stop >/dev/null 2>&1 || true' EXIT
pw make-devices

# Twenty seconds of two tones whose level swells and falls, played again and again.
signal=$session/test-signal.wav
python3 - "$signal" <<'PY'
import math, struct, sys, wave
rate, seconds = 48000, 20
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2)
    out.setsampwidth(2)
    out.setframerate(rate)
    frames = bytearray()
    for n in range(rate * seconds):
        t = n / rate
        swell = 10 ** ((-30 + 27 * (0.5 - 0.5 * math.cos(2 * math.pi * t / 5))) / 20)
        left = swell * math.sin(2 * math.pi * 440 * t)
        right = swell * (0.5 + 0.5 * math.sin(2 * math.pi * t / 3)) * math.sin(2 * math.pi * 660 * t)
        frames += struct.pack("<hh", int(left * 32767), int(right * 32767))
    out.writeframes(bytes(frames))
PY

PIPEWIRE_RUNTIME_DIR=$session/runtime "$program" &
app=$!
(
  while kill -0 $app 2>/dev/null; do
    pw feed "$signal" 0 1 || break
    player=$(cat "$(ls -t "$session"/feed-*.pid | head -1)")
    while kill -0 "$player" 2>/dev/null && kill -0 $app 2>/dev/null; do sleep 0.5; done
  done
) &
echo "run: VEXMORA MONITOR is running on the private session; press Start Monitoring."
echo "run: quit it with Ctrl+Q (closing the window keeps it running; start this again to show it)."
wait $app
