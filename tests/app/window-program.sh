#!/usr/bin/env bash
# The program itself under Xvfb, on the project's private PipeWire session: it starts with a
# window of at least 560 × 700, a second start shows that window instead of running twice, and
# SIGTERM ends it after its orderly shutdown.
#
#   tests/app/window-program.sh PROGRAM
set -euo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
export VX_PW_SESSION=${TMPDIR:-/tmp}/vx-window-test-$$
display=:$((100 + $$ % 400))
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  [[ -n ${app:-} ]] && kill "$app" 2>/dev/null
  "$root/scripts/pw-session.sh" stop >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display XDG_RUNTIME_DIR=$VX_PW_SESSION/app-runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$root/scripts/pw-session.sh" start >/dev/null
"$root/scripts/pw-session.sh" make-devices >/dev/null
export PIPEWIRE_RUNTIME_DIR=$VX_PW_SESSION/runtime

"$program" &
app=$!
window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | grep '("vexmora-monitor"' || true)
  [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || fail "no window appeared"
size=$(sed -E 's/.*\) +([0-9]+)x([0-9]+)\+.*/\1 \2/' <<<"$window")
read -r width height <<<"$size"
((width >= 560 && height >= 700)) || fail "window is ${width}x${height}"

timeout 10 "$program" || fail "the second start did not end"
kill -0 "$app" 2>/dev/null || fail "the first instance ended"
[[ $(pgrep -c -x vexmora-monitor) == 1 ]] || fail "two instances are running"

kill -TERM "$app"
for _ in $(seq 50); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "SIGTERM did not end the program"
wait "$app" || true
app=""
echo "PASS: window ${width}x${height}, single instance, SIGTERM shutdown"
