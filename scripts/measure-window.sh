#!/usr/bin/env bash
# Figures for the window, on Xvfb and the project's private PipeWire session playing a tone into
# the interface's first two channels:
# - start-up: from starting the program to its window being viewable and first painted (RUNS
#   starts, each on a fresh instance);
# - CPU of the whole process over SECONDS while monitoring, with the window shown (the meters
#   redraw about 30 times a second) and then closed, CYCLES times over in one instance, and
#   the sums' difference: the window's share; the X server's own CPU beside it.
#
#   scripts/measure-window.sh PROGRAM [RUNS=10] [SECONDS=60] [CYCLES=1]
set -euo pipefail
program=$(realpath "$1")
runs=${2:-10}
seconds=${3:-60}
cycles=${4:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
export VX_PW_SESSION=${TMPDIR:-/tmp}/vx-window-measure-$$
display=:$((500 + $$ % 400))
python=/usr/bin/python3
pw() { "$root/scripts/pw-session.sh" "$@"; }

# -br: a black root, so that an unpainted window reads black.
Xvfb "$display" -br -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  [[ -n ${app:-} ]] && kill "$app" 2>/dev/null
  pw stop >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# The program's own runtime and settings directories, so that no saved choice of another run
# (a muted output, a device of another session) carries over.
export DISPLAY=$display XDG_RUNTIME_DIR=$VX_PW_SESSION/app-runtime
export XDG_CONFIG_HOME=$VX_PW_SESSION/app-config
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
pw start >/dev/null
pw make-devices >/dev/null
export PIPEWIRE_RUNTIME_DIR=$VX_PW_SESSION/runtime
sleep 1

echo "start-up (ms from exec): viewable painted"
for ((run = 1; run <= runs; run++)); do
  read -r viewable painted app < <("$python" "$root/scripts/first-paint.py" vexmora-monitor \
    "$program")
  echo "  run $run: $viewable $painted"
  kill -TERM "$app"
  while kill -0 "$app" 2>/dev/null; do sleep 0.05; done
  app=""
done

# A 1 kHz tone swelling from -30 to -3 dBFS and back every 2.5 s, so that the meters keep moving.
tone=$VX_PW_SESSION/tone.wav
"$python" - "$tone" "$(((seconds + 6) * 2 * cycles + 30))" <<'PY'
import math, struct, sys, wave
rate, loop = 48000, 10
frames = bytearray()
for n in range(rate * loop):
    swell = 10 ** ((-30 + 27 * (0.5 - 0.5 * math.cos(2 * math.pi * n / rate / 2.5))) / 20)
    sample = int(32767 * swell * math.sin(2 * math.pi * 1000 * n / rate))
    frames += struct.pack("<hh", sample, sample)
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2)
    out.setsampwidth(2)
    out.setframerate(rate)
    out.writeframes(bytes(frames) * -(-int(sys.argv[2]) // loop))
PY
pw feed "$tone" 0 1

# Time on a CPU of every thread of PID, in nanoseconds (each task's schedstat): exact, where
# utime and stime count 10 ms ticks, 3 ticks for 0.1 % of a core over 30 s.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'; }
shown_ns=0 closed_ns=0
cpu_over() {
  local app_before xvfb_before used
  app_before=$(cpu_ns "$app")
  xvfb_before=$(cpu_ns "$xvfb")
  sleep "$seconds"
  used=$(($(cpu_ns "$app") - app_before))
  if [[ $1 == "window shown" ]]; then shown_ns=$((shown_ns + used)); else closed_ns=$((closed_ns + used)); fi
  awk -v a=$used -v x=$(($(cpu_ns "$xvfb") - xvfb_before)) \
    -v s="$seconds" -v what="$1" \
    'BEGIN { printf "  %s: program %.2f %% of one core, X server %.2f %%\n", what,
             100 * a / 1e9 / s, 100 * x / 1e9 / s }'
}
streams() { pw-cli ls Node | grep -c 'node.name = "vexmora-monitor-' || true; }

"$program" &
app=$!
# The program's mapped top-level window; showing it again after a close may give a new one.
find_window() {
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --classname vexmora-monitor 2>/dev/null | head -1 || true)
    [[ -n $window ]] && return 0
    sleep 0.1
  done
  return 1
}
find_window
sleep 2
# A click on the primary button, which sits right of the mute latch at the opening size.
xdotool mousemove --window "$window" 397 492 click 1
for _ in $(seq 50); do
  [[ $(streams) == 2 ]] && break
  sleep 0.1
done
[[ $(streams) == 2 ]] || { echo "monitoring did not start" >&2; exit 1; }
sleep 3
echo "CPU over $seconds s while monitoring, $cycles times shown and closed:"
for ((cycle = 1; cycle <= cycles; cycle++)); do
  if ((cycle > 1)); then
    # A second start hands over to this instance, which shows its window again.
    "$program" || { echo "the second start did not hand over" >&2; exit 1; }
    find_window || { echo "the window did not show again" >&2; exit 1; }
    sleep 3
  fi
  cpu_over "window shown"
  "$python" "$root/tests/app/close-window.py" "$window"
  sleep 3
  [[ $(streams) == 2 ]] || { echo "closing the window stopped monitoring" >&2; exit 1; }
  cpu_over "window closed"
done
awk -v shown="$shown_ns" -v closed="$closed_ns" -v s="$((seconds * cycles))" \
  'BEGIN { printf "  the window adds %.2f %% of one core (shown minus closed over %d s each)\n",
           100 * (shown - closed) / 1e9 / s, s }'
