#!/usr/bin/env bash
# A private PipeWire session with virtual devices, for tests and demos. It never touches the
# user's own session: everything lives under one directory, $VX_PW_SESSION (default
# ${TMPDIR:-/tmp}/vx-pw-session), which `stop` removes.
#
#   start                 start pipewire and wireplumber (under a private D-Bus session bus)
#   stop                  end the session and remove its directory
#   env                   print the exports that point PipeWire clients at the session
#   make-devices          create the virtual interface and the two speakers
#   unplug NAME           destroy the device with node.name NAME
#   replug NAME [RATE]    create it again (a new object serial, the same node.name), at RATE Hz
#                         when given (the interface at 48000 otherwise, the sinks at the graph's)
#   skew-interface PPM    make the interface again, on a clock of its own PPM parts per million
#                         off the system's (0: on the graph's own clock again); the clock is
#                         $VX_PW_SKEWED_CLOCK, build/default/tests/vx_skewed_clock by default
#   set-default NAME      make the sink NAME the default output
#   set-rate RATE         force the graph rate (0 gives it back to the session)
#   freeze-manager        stop the session manager (SIGSTOP): nothing new gets linked
#   restart-manager       kill the session manager (SIGKILL), which takes its links and, as with
#                         real cards, its devices with it; start a new one, which brings the
#                         devices back; returns once it has published the defaults again
#   thaw-manager          let it go on (SIGCONT)
#   kill-daemon           kill pipewire (SIGKILL); a new daemon and session manager start, and
#                         the devices are made again; returns once they are there
#   freeze-daemon         stop pipewire (SIGSTOP); thaw-daemon lets it go on (SIGCONT)
#   feed FILE CHANNEL...  play FILE into the interface, its channel k into interface channel
#                         CHANNEL[k] (counted from 0); returns once linked, plays in background
#   unfeed                stop every player that feed started
#   record SINK FILE SECONDS
#                         record what SINK plays, as 32-bit float stereo WAV
#   tap FILE SECONDS PORT...
#                         record the output ports PORT... (e.g. vx-test-interface:capture_AUX2,
#                         vx-test-speakers:monitor_FL) as the channels of one 32-bit float WAV:
#                         one stream, so every channel shares one timeline
#   make-odd NAME CLASS CHANNELS RATE DESCRIPTION
#                         create the node NAME of media.class CLASS (Audio/Source/Virtual,
#                         Audio/Sink, …) with CHANNELS channels, at RATE Hz (0: the graph's), named
#                         DESCRIPTION (any text: quotes, newlines, any script); sources get the
#                         positions AUX0…, sinks MONO or FL FR FC LFE RL RR SL SR
#   feed-odd NAME FILE CHANNEL...
#                         as feed, into the inputs of the node NAME; unfeed stops it too
set -euo pipefail

session=${VX_PW_SESSION:-${TMPDIR:-/tmp}/vx-pw-session}
export XDG_RUNTIME_DIR=$session/runtime
export XDG_CONFIG_HOME=$session/config
export XDG_STATE_HOME=$session/state
export XDG_DATA_HOME=$session/data
unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR

interface=vx-test-interface
speakers=vx-test-speakers
headphones=vx-test-headphones

die() {
  echo "pw-session: $*" >&2
  exit 1
}

# Polls CONDITION (a command) every 50 ms for up to SECONDS.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 20))
  while ((tries-- > 0)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.05
  done
  return 1
}

# WirePlumber 0.4.13 suspends a node 5 s after it goes idle, and the timer outlives a node
# removed meanwhile: it then sends the command through the dead node and crashes (SIGSEGV in
# wp_node_send_command), leaving the session without a manager. The tests unplug devices that have
# just gone idle all the time, so the session's devices are never suspended.
no_suspend="session.suspend-timeout-seconds=0"

# The properties of device $1; the interface runs at rate $2 (48000 when not given), with the
# further properties $3.
device_props() {
  case $1 in
    "$interface")
      echo "{ factory.name=support.null-audio-sink node.name=$interface" \
        'node.description="VX Test Interface" media.class=Audio/Source/Virtual' \
        'audio.channels=8 audio.position=[AUX0 AUX1 AUX2 AUX3 AUX4 AUX5 AUX6 AUX7]' \
        "audio.rate=${2:-48000} object.linger=true $no_suspend${3:+ $3} }"
      ;;
    "$speakers")
      echo "{ factory.name=support.null-audio-sink node.name=$speakers" \
        'node.description="VX Test Speakers" media.class=Audio/Sink' \
        "audio.channels=2 audio.position=[FL FR] priority.session=2000${2:+ audio.rate=$2}" \
        'object.linger=true' "$no_suspend }"
      ;;
    "$headphones")
      echo "{ factory.name=support.null-audio-sink node.name=$headphones" \
        'node.description="VX Test Headphones" media.class=Audio/Sink' \
        "audio.channels=2 audio.position=[FL FR] priority.session=1000${2:+ audio.rate=$2}" \
        'object.linger=true' "$no_suspend }"
      ;;
    *) die "unknown device $1" ;;
  esac
}

# The global id of the node named $1, empty when there is none.
node_id() {
  pw-cli ls Node | awk -v name="node.name = \"$1\"" '
    /^[[:space:]]*id [0-9]+,/ { id = $2; sub(",", "", id) }
    index($0, name) { print id; exit }'
}

node_exists() { [[ -n $(node_id "$1") ]]; }
node_gone() { [[ -z $(node_id "$1") ]]; }

default_sink_is() {
  timeout 1 pw-metadata -n default 0 default.audio.sink 2>/dev/null | grep -q "\"name\":\"$1\""
}

session_metadata_ready() {
  pw-cli ls Metadata | grep -q 'metadata.name = "default"'
}

create_device() {
  pw-cli create-node adapter "$(device_props "$@")" >/dev/null
  wait_for 5 node_exists "$1" || die "$1 did not appear"
}

run_daemons() {
  # For a session manager started later (restart-manager): it needs the session's bus.
  echo "$DBUS_SESSION_BUS_ADDRESS" >"$session/bus-address"
  # As a service manager would, a daemon that dies is started again with a new session manager.
  local daemon manager
  while :; do
    pipewire &
    daemon=$!
    wait_for 5 pw-cli info 0 || die "pipewire did not answer"
    wireplumber &
    manager=$!
    wait "$daemon" || true
    kill -TERM "$manager" 2>/dev/null || true
    wait "$manager" || true
  done
}

start() {
  [[ -e $session/pid ]] && die "a session is already running in $session"
  mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_DATA_HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  # setsid makes the daemons a process group of their own, so that stop ends all of them.
  setsid dbus-run-session -- "$0" run-daemons >"$session/daemons.log" 2>&1 </dev/null &
  echo $! >"$session/pid"
  if ! wait_for 10 session_metadata_ready; then
    cat "$session/daemons.log" >&2
    stop
    die "the session did not start"
  fi
}

stop() {
  local pid
  for file in "$session"/pid "$session"/feed-*.pid "$session"/manager.pid "$session"/clock.pid; do
    [[ -e $file ]] || continue
    pid=$(cat "$file")
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
  done
  if [[ -e $session/pid ]]; then
    pid=$(cat "$session/pid")
    wait_for 3 bash -c "! kill -0 -- -$pid" || kill -KILL -- "-$pid" 2>/dev/null || true
  fi
  rm -rf "$session"
}

restart_manager() {
  local manager
  if [[ -e $session/manager.pid ]]; then
    manager=$(cat "$session/manager.pid")
  else
    manager=$(pgrep -g "$(cat "$session/pid")" -x wireplumber) || die "no session manager"
  fi
  kill -KILL "$manager"
  wait_for 5 bash -c "! kill -0 $manager" || die "the session manager did not end"
  # A card's nodes belong to the session manager that made them and end with it. These virtual
  # ones would outlive it, and this session manager never takes over a node that was in use when
  # its predecessor died: nothing would link to it again. So they go too, and come back below.
  local name id
  for name in "$interface" "$speakers" "$headphones"; do
    id=$(node_id "$name")
    [[ -z $id ]] || pw-cli destroy "$id" >/dev/null
  done
  # Outside the session's process group, so stop ends it by its pid.
  DBUS_SESSION_BUS_ADDRESS=$(cat "$session/bus-address") setsid wireplumber </dev/null \
    >>"$session/daemons.log" 2>&1 &
  echo $! >"$session/manager.pid"
  make_devices
}

kill_daemon() {
  local daemon
  daemon=$(pgrep -g "$(cat "$session/pid")" -x pipewire) || die "no daemon"
  kill -KILL "$daemon"
  if [[ -e $session/manager.pid ]]; then
    kill -TERM "$(cat "$session/manager.pid")" 2>/dev/null || true
    rm -f "$session/manager.pid"
  fi
  wait_for 5 bash -c "! kill -0 $daemon" || die "the daemon did not end"
  wait_for 10 session_metadata_ready || die "no new daemon"
  make_devices
}

make_devices() {
  for name in "$interface" "$speakers" "$headphones"; do create_device "$name"; done
  wait_for 5 default_sink_is "$speakers" || die "the speakers did not become the default"
}

unplug() {
  local id
  id=$(node_id "$1")
  [[ -n $id ]] || die "no device $1"
  pw-cli destroy "$id" >/dev/null
  wait_for 5 node_gone "$1" || die "$1 did not go"
}

# A card's crystal is never quite the system clock's. The interface joins the node group of a
# driver that runs its cycles that far off, and so delivers its 48000 frames a second at
# 48000 * (1 + PPM / 10^6) frames a second of CLOCK_MONOTONIC, while the sinks keep the graph's.
skew_interface() {
  local ppm=$1 clock=${VX_PW_SKEWED_CLOCK:-$(dirname "$0")/../build/default/tests/vx_skewed_clock}
  unplug "$interface"
  if [[ $ppm == 0 ]]; then
    create_device "$interface"
    return
  fi
  # One clock for the session (see the program): a running one takes the new skew.
  echo "$ppm" >"$session/clock.ppm"
  if [[ -e $session/clock.pid ]]; then
    kill -HUP "$(cat "$session/clock.pid")"
  else
    [[ -x $clock ]] || die "no clock program $clock"
    setsid "$clock" vx-skewed-clock "$session/clock.ppm" </dev/null >>"$session/daemons.log" 2>&1 &
    echo $! >"$session/clock.pid"
    wait_for 5 node_exists vx-skewed-clock || die "the clock did not start"
  fi
  create_device "$interface" 48000 node.group=vx-skewed-clock
}

set_default() {
  local id
  id=$(node_id "$1")
  [[ -n $id ]] || die "no device $1"
  wpctl set-default "$id"
  wait_for 5 default_sink_is "$1" || die "$1 did not become the default"
}

feed() {
  local file=$1
  shift
  local name=vx-feed-$$
  # Target 0 keeps the session manager from linking the player to the default sink. The player
  # asks for the graph's quantum: one that asks for more is stalled for good, now and then, by a
  # change of its graph's quantum (a capture stream at the quantum joining or leaving), and the
  # interface then plays silence.
  setsid pw-play --target 0 --latency 1024 -P "node.name=$name" "$file" </dev/null >/dev/null 2>&1 &
  echo $! >"$session/feed-$$.pid"
  local ports=()
  wait_for 5 bash -c "pw-link -o | grep -q '^$name:'" || die "the player did not start"
  mapfile -t ports < <(pw-link -o | grep "^$name:")
  (($# <= ${#ports[@]})) || die "the file has ${#ports[@]} channels"
  local k=0
  for channel in "$@"; do
    pw-link "${ports[$k]}" "$interface:input_AUX$channel"
    k=$((k + 1))
  done
}

unfeed() {
  local file
  for file in "$session"/feed-*.pid; do
    [[ -e $file ]] || continue
    kill -TERM -- "-$(cat "$file")" 2>/dev/null || kill -TERM "$(cat "$file")" 2>/dev/null || true
    rm -f "$file"
  done
}

record() {
  local sink=$1 file=$2 seconds=$3
  timeout -s INT "$seconds" pw-record --target "$sink" -P stream.capture.sink=true \
    --format f32 --channels 2 --rate 48000 "$file" || [[ $? == 124 ]]
}

tap() {
  local file=$1 seconds=$2
  shift 2
  local name=vx-tap-$$ channels=() k
  for ((k = 0; k < $#; k++)); do channels+=("AUX$k"); done
  local map
  map=$(IFS=,; echo "${channels[*]}")
  # Target 0 keeps the session manager from linking the recorder; its ports are linked by hand.
  pw-record --target 0 -P "node.name=$name" --format f32 --rate 48000 --channels $# \
    --channel-map "$map" "$file" </dev/null >/dev/null 2>&1 &
  local recorder=$!
  if ! wait_for 5 bash -c "pw-link -i | grep -q '^$name:'"; then
    kill -INT $recorder
    die "the recorder did not start"
  fi
  k=0
  for port in "$@"; do
    pw-link "$port" "$name:input_AUX$k"
    k=$((k + 1))
  done
  sleep "$seconds"
  kill -INT $recorder
  wait $recorder || true
}

# Odd nodes: the shapes and names a card or a client may publish, for the tests of the catalog.
odd_positions() {
  local class=$1 count=$2 k positions=()
  if [[ $class == Audio/Sink* && $count == 1 ]]; then
    positions=(MONO)
  elif [[ $class == Audio/Sink* ]]; then
    positions=(FL FR FC LFE RL RR SL SR)
    positions=("${positions[@]:0:count}")
  else
    for ((k = 0; k < count; k++)); do positions+=("AUX$k"); done
  fi
  echo "[${positions[*]}]"
}

make_odd() {
  local name=$1 class=$2 count=$3 rate=$4 description=$5
  # The description as a JSON string.
  description=${description//\\/\\\\}
  description=${description//\"/\\\"}
  description=${description//$'\n'/\\n}
  local rate_property=""
  ((rate == 0)) || rate_property="audio.rate=$rate"
  pw-cli create-node adapter "{ factory.name=support.null-audio-sink node.name=$name
    node.description=\"$description\" media.class=$class audio.channels=$count
    audio.position=$(odd_positions "$class" "$count") $rate_property object.linger=true $no_suspend }" \
    >/dev/null
  wait_for 5 node_exists "$name" || die "$name did not appear"
}

feed_odd() {
  local node=$1 file=$2
  shift 2
  local name=vx-feed-odd-$$ ports=() inputs=() k=0
  setsid pw-play --target 0 --latency 1024 -P "node.name=$name" "$file" </dev/null >/dev/null 2>&1 &
  echo $! >"$session/feed-$$.pid"
  wait_for 5 bash -c "pw-link -o | grep -q '^$name:'" || die "the player did not start"
  mapfile -t ports < <(pw-link -o | grep "^$name:")
  mapfile -t inputs < <(pw-link -i | grep "^$node:")
  for channel in "$@"; do
    ((channel < ${#inputs[@]})) || die "$node has ${#inputs[@]} inputs"
    pw-link "${ports[$k]}" "${inputs[$channel]}"
    k=$((k + 1))
  done
}

command=${1:-}
shift || true
case $command in
  start) start ;;
  stop) stop ;;
  env)
    for variable in XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_STATE_HOME XDG_DATA_HOME; do
      echo "export $variable=${!variable}"
    done
    ;;
  make-devices) make_devices ;;
  unplug) unplug "$1" ;;
  replug) create_device "$@" ;;
  skew-interface) skew_interface "$1" ;;
  set-default) set_default "$1" ;;
  freeze-manager) pkill -STOP -g "$(cat "$session/pid")" -x wireplumber ;;
  thaw-manager) pkill -CONT -g "$(cat "$session/pid")" -x wireplumber ;;
  restart-manager) restart_manager ;;
  kill-daemon) kill_daemon ;;
  freeze-daemon) pkill -STOP -g "$(cat "$session/pid")" -x pipewire ;;
  thaw-daemon) pkill -CONT -g "$(cat "$session/pid")" -x pipewire ;;
  set-rate) pw-metadata -n settings 0 clock.force-rate "$1" >/dev/null ;;
  feed) feed "$@" ;;
  unfeed) unfeed ;;
  record) record "$@" ;;
  tap) tap "$@" ;;
  make-odd) make_odd "$@" ;;
  feed-odd) feed_odd "$@" ;;
  run-daemons) run_daemons ;;
  *) die "usage: $0 start|stop|env|make-devices|unplug|replug|skew-interface|set-default|set-rate|freeze-manager|thaw-manager|restart-manager|feed|unfeed|record|tap|make-odd|feed-odd" ;;
esac
