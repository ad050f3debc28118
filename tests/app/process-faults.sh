#!/usr/bin/env bash
# The program under faults of its own process and environment, under Xvfb on the private PipeWire
# session, one row of the table at a time:
# - SIGTERM, SIGINT and SIGHUP while starting, while monitoring and while waiting for a removed
#   input: the program ends with status 0, fades out when it was playing, and leaves valid
#   settings;
# - two starts at the same moment, RUNS times: one window, one process, no lock left behind;
# - an unwritable settings directory and an unset XDG_RUNTIME_DIR: the window still comes up.
# Prints one line per case with its runs and result.
#
#   tests/app/process-faults.sh PROGRAM [RUNS]
set -euo pipefail
program=$1
runs=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export VX_PW_SESSION=${TMPDIR:-/tmp}/vx-process-faults-$$
display=:$((100 + ($$ + 7) % 400))
python=/usr/bin/python3
failures=0
pw() { "$root/scripts/pw-session.sh" "$@"; }

Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
# Under errexit a failed kill of a process that already ended would fail the test after it passed.
cleanup() {
  pkill -KILL -P $$ -x vexmora-monitor 2>/dev/null || true
  pw stop >/dev/null 2>&1 || true
  [[ -n ${atspi:-} ]] && { kill "$atspi" 2>/dev/null || true; }
  [[ -n ${bus:-} ]] && { kill "$bus" 2>/dev/null || true; }
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display XDG_RUNTIME_DIR=$VX_PW_SESSION/app-runtime
export XDG_CONFIG_HOME=$VX_PW_SESSION/app-config
settings=$XDG_CONFIG_HOME/Vexmora/VEXMORA\ MONITOR.ini
source "$(dirname "$0")/desktop-session.sh"
start_desktop_session 600

wait_for() {
  local tries=$(($1 * 10))
  shift
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
windows() { xwininfo -root -tree 2>/dev/null | grep -c '("vexmora-monitor"' || true; }
instances() { pgrep -c -P $$ -x vexmora-monitor || true; }
streams_running() { [[ $(pw-cli ls Node | grep -c 'node.name = "vexmora-monitor-' || true) == 2 ]]; }
valid_settings() {
  [[ ! -e $settings ]] || grep -q '^inputDeviceUID=vx-test-interface$' "$settings"
}
# Sets `ended` to the status of PID once it ends within 5 s, or to "hung" (no subshell: only
# this shell can wait for its children).
await_end() {
  ended=hung
  wait_for 5 eval '! kill -0 '"$1"' 2>/dev/null' || return 0
  ended=0
  wait "$1" || ended=$?
}
report() {
  local name=$1 count=$2 result=$3
  printf '%-34s runs %3d  %s\n' "$name" "$count" "$result"
  [[ $result == ok* ]] || failures=$((failures + 1))
}

# One signal at one moment: start, monitoring, waiting.
signal_case() {
  local signal=$1 moment=$2 app status faded=""
  "$program" 2>>"$VX_PW_SESSION/log" &
  app=$!
  case $moment in
    start) sleep 0.3 ;;
    monitoring | waiting)
      wait_for 10 eval '(( $(windows) == 1 ))' || {
        report "$signal while $moment" 1 "no window"
        kill -KILL "$app"
        return
      }
      "$python" "$here/window-accessibility.py" start >/dev/null
      wait_for 5 streams_running || true
      [[ $moment == waiting ]] && pw unplug vx-test-interface >/dev/null && sleep 1
      ;;
  esac
  if [[ $moment == monitoring ]]; then
    pw record vx-test-speakers "$VX_PW_SESSION/signal.wav" 2 &
    local recorder=$!
    sleep 0.5
    kill "-$signal" "$app"
    wait "$recorder"
    "$python" "$here/recorded-output.py" faded "$VX_PW_SESSION/signal.wav" >/dev/null ||
      faded=", no fade"
  else
    kill "-$signal" "$app"
  fi
  await_end "$app"
  status=$ended
  [[ $moment == waiting ]] && pw replug vx-test-interface >/dev/null && pw feed "$tone" 0 1
  local result="ok: status $status$faded"
  [[ $status == 0 && -z $faded ]] || result="FAIL: status $status$faded"
  valid_settings || result="FAIL: settings damaged"
  report "$signal while $moment" 1 "$result"
}

for moment in start monitoring waiting; do
  for signal in TERM INT HUP; do signal_case "$signal" "$moment"; done
done

# Two starts at the same moment.
single=0
for _ in $(seq "$runs"); do
  "$program" 2>>"$VX_PW_SESSION/log" &
  first=$!
  "$program" 2>>"$VX_PW_SESSION/log" &
  second=$!
  wait_for 10 eval '(( $(windows) >= 1 ))' || true
  sleep 2
  if (($(windows) == 1 && $(instances) == 1)); then single=$((single + 1)); fi
  kill -TERM "$first" "$second" 2>/dev/null || true
  await_end "$first"
  await_end "$second"
done
leftover=$(find "$XDG_RUNTIME_DIR" -name 'vexmora-monitor*' | wc -l)
result="ok: one window in $single of $runs"
((single == runs && leftover == 0)) || result="FAIL: one window in $single of $runs, $leftover left"
report "two starts at once" "$runs" "$result"

# The environment.
environment_case() {
  local name=$1 app
  shift
  env "$@" "$program" 2>"$VX_PW_SESSION/env.log" &
  app=$!
  if wait_for 10 eval '(( $(windows) == 1 ))'; then
    kill -TERM "$app"
    await_end "$app"
    report "$name" 1 "ok: window, status $ended"
  else
    kill -KILL "$app" 2>/dev/null || true
    report "$name" 1 "FAIL: no window: $(head -c 200 "$VX_PW_SESSION/env.log")"
  fi
}
environment_case "settings directory not writable" XDG_CONFIG_HOME=/proc/vx-not-writable
environment_case "XDG_RUNTIME_DIR unset" -u XDG_RUNTIME_DIR

# Without a display server to show the window on, it says so and ends with status 1.
display_case() {
  local name=$1 app result
  shift
  env "$@" "$program" 2>"$VX_PW_SESSION/env.log" &
  app=$!
  await_end "$app"
  result="ok: status $ended"
  [[ $ended == 1 ]] && grep -q 'no display to show the window on' "$VX_PW_SESSION/env.log" ||
    result="FAIL: status $ended: $(head -c 200 "$VX_PW_SESSION/env.log")"
  report "$name" 1 "$result"
}
display_case "no display" -u DISPLAY -u WAYLAND_DISPLAY
display_case "wayland without its display" -u WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland

((failures == 0))
