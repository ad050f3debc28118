#!/usr/bin/env bash
# The program itself under Xvfb, on the project's private PipeWire session playing a tone into the
# interface's first two channels, with the AT-SPI bus running as on a desktop with a screen reader:
# - it starts with a window of at least 560 × 700;
# - a screen reader finds every control's name, hint and value, no decoration, the pickers' menus
#   and the primary button's action, which starts monitoring (window-accessibility.py);
# - closing the window keeps the process and the audio running;
# - a second start shows that window instead of running twice;
# - Ctrl+Q fades the audio out before the process ends; so does SIGTERM;
# - --demo monitors simulated devices without any audio server, its tray icon toggles the window,
#   --verbose logs when the route starts, and an unknown option is refused.
#
#   tests/app/window-program.sh PROGRAM
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export VX_PW_SESSION=${TMPDIR:-/tmp}/vx-window-test-$$
display=:$((100 + $$ % 400))
# The system's python, where Debian's GObject bindings live.
python=/usr/bin/python3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
pw() { "$root/scripts/pw-session.sh" "$@"; }

Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
# Under errexit a failed kill of a process that already ended would fail the test after it passed.
cleanup() {
  [[ -n ${app:-} ]] && { kill "$app" 2>/dev/null || true; }
  pw stop >/dev/null 2>&1 || true
  [[ -n ${tray:-} ]] && { kill "$tray" 2>/dev/null || true; }
  [[ -n ${atspi:-} ]] && { kill "$atspi" 2>/dev/null || true; }
  [[ -n ${bus:-} ]] && { kill "$bus" 2>/dev/null || true; }
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# The program's own runtime and settings directories, so that no saved choice of another run
# (a muted output, a device of another session) carries over.
export DISPLAY=$display XDG_RUNTIME_DIR=$VX_PW_SESSION/app-runtime
export XDG_CONFIG_HOME=$VX_PW_SESSION/app-config
source "$(dirname "$0")/desktop-session.sh"
start_desktop_session 120

# The top-level window; the tray icon, embedded in the tray's panel, sits deeper in the tree.
window_line() {
  xwininfo -root -tree 2>/dev/null | grep -E '^ {5}0x[0-9a-f]+ .*\("vexmora-monitor"' | head -1 ||
    true
}
tray_icon() {
  xwininfo -root -tree 2>/dev/null |
    awk '/\("panel" "trayer"\)/ { panel = 1; next } panel && /\("vexmora-monitor"/ { print $1; exit }'
}
map_state() { xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Map State: //p'; }
wait_for() {
  local tries=$(($1 * 10))
  shift
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# Closing destroys the native window; showing it again makes a new one.
viewable() {
  window=$(window_line | awk '{print $1}')
  [[ -n $window && $(map_state "$window") == IsViewable ]]
}
our_streams() { pw-cli ls Node | grep -c 'node.name = "vexmora-monitor-' || true; }
streams_running() { [[ $(our_streams) == 2 ]]; }
ended() { ! kill -0 "$app" 2>/dev/null; }
# Records the speakers for SECONDS into FILE while running COMMAND half a second in.
record_around() {
  local file=$1 seconds=$2
  shift 2
  pw record vx-test-speakers "$file" "$seconds" &
  local recorder=$!
  sleep 0.5
  "$@"
  wait "$recorder"
}
still_playing() {
  pw record vx-test-speakers "$VX_PW_SESSION/$1.wav" 1
  "$python" "$here/recorded-output.py" playing "$VX_PW_SESSION/$1.wav" >/dev/null ||
    fail "the output is not playing the tone $2"
}

"$program" &
app=$!
wait_for 10 eval '[[ -n $(window_line) ]]' || fail "no window appeared"
window=$(window_line | awk '{print $1}')
size=$(sed -E 's/.*\) +([0-9]+)x([0-9]+)\+.*/\1 \2/' <<<"$(window_line)")
read -r width height <<<"$size"
((width >= 560 && height >= 700)) || fail "window is ${width}x${height}"

"$python" "$here/window-accessibility.py" check || fail "accessibility over AT-SPI"
"$python" "$here/window-accessibility.py" start || fail "starting through AT-SPI"
wait_for 5 streams_running || fail "monitoring runs without its two streams"
still_playing monitoring "while monitoring"

"$python" "$here/close-window.py" "$window"
wait_for 5 eval '! viewable' || fail "closing did not hide the window"
sleep 0.5
ended && fail "closing the window ended the program"
streams_running || fail "closing the window stopped the streams"
still_playing closed "with the window closed"

timeout 10 "$program" || fail "the second start did not end"
wait_for 5 viewable || fail "the second start did not show the window"
kill -0 "$app" 2>/dev/null || fail "the first instance ended"
[[ $(pgrep -c -x -f "$program") == 1 ]] || fail "two instances are running"

quit_keys() { xdotool windowfocus --sync "$window" key ctrl+q; }
record_around "$VX_PW_SESSION/quit.wav" 2 quit_keys
wait_for 5 ended || fail "Ctrl+Q did not end the program"
wait "$app" || fail "the program ended with status $? after Ctrl+Q"
app=""
[[ $(our_streams) == 0 ]] || fail "streams outlived the program"
"$python" "$here/recorded-output.py" faded "$VX_PW_SESSION/quit.wav" ||
  fail "Ctrl+Q did not fade the audio out"

# Once more, monitoring, ended by SIGTERM.
"$program" &
app=$!
"$python" "$here/window-accessibility.py" start || fail "starting through AT-SPI again"
wait_for 5 streams_running || fail "monitoring runs without its two streams"
record_around "$VX_PW_SESSION/term.wav" 2 kill -TERM "$app"
wait_for 5 ended || fail "SIGTERM did not end the program"
wait "$app" || true
app=""
"$python" "$here/recorded-output.py" faded "$VX_PW_SESSION/term.wav" ||
  fail "SIGTERM did not fade the audio out"
# --demo plays simulated devices without any audio server; --verbose logs the route with times.
# With an X11 system tray running, the program shows a tray icon; clicks on it hide and show the
# window.
trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 32 \
  >/dev/null 2>&1 &
tray=$!
PIPEWIRE_RUNTIME_DIR=$VX_PW_SESSION/no-server "$program" --demo --verbose 2>"$VX_PW_SESSION/demo.log" &
app=$!
"$python" "$here/window-accessibility.py" start || fail "the demo does not monitor"
wait_for 10 eval '[[ -n $(tray_icon) && $(map_state "$(tray_icon)") == IsViewable ]]' ||
  fail "no tray icon in the system tray"
# A click that lands while the tray still embeds the icon is lost; one more is no toggle back.
for attempt in 1 2 3; do
  xdotool mousemove --window "$(tray_icon)" 8 8 click 1
  wait_for 2 eval '! viewable' && break
  ((attempt < 3)) || fail "a click on the tray icon did not hide the window"
done
sleep 1 # past the double-click interval
xdotool mousemove --window "$(tray_icon)" 8 8 click 1
wait_for 5 viewable || fail "a second click on the tray icon did not show the window"
kill "$tray"
tray=""
kill -TERM "$app"
wait_for 5 ended || fail "SIGTERM did not end the demo"
wait "$app" || true
app=""
grep -Eq '^[0-9-]{10}T[0-9:.]{12} vexmora.route info: phase running' "$VX_PW_SESSION/demo.log" ||
  fail "--verbose logged no timed start: $(cat "$VX_PW_SESSION/demo.log")"
if "$program" --no-such-option 2>"$VX_PW_SESSION/usage.log"; then fail "an unknown option ran"; fi
grep -q "Unknown option 'no-such-option'" "$VX_PW_SESSION/usage.log" ||
  fail "an unknown option is not reported: $(cat "$VX_PW_SESSION/usage.log")"
echo "PASS: window ${width}x${height}, accessible over AT-SPI, audio kept when closed," \
  "single instance, Ctrl+Q and SIGTERM fade out before exit, demo, tray icon, verbose log," \
  "bad options"
