# Sourced by the program tests: the private PipeWire session with its devices, a desktop session
# bus with the accessibility bus launched on it, and a steady 1 kHz tone at half scale on the
# interface's channels 1 and 2 for $1 seconds. Sets bus and atspi, the pids the caller ends.
start_desktop_session() {
  mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
  pw start >/dev/null
  pw make-devices >/dev/null
  export PIPEWIRE_RUNTIME_DIR=$VX_PW_SESSION/runtime
  {
    read -r DBUS_SESSION_BUS_ADDRESS
    read -r bus
  } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  atspi=$!
  for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
      >/dev/null 2>&1 && break
    sleep 0.1
  done
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  tone=$VX_PW_SESSION/tone.wav
  /usr/bin/python3 - "$tone" "$1" <<'PY'
import math, struct, sys, wave
period = [int(16383 * math.sin(2 * math.pi * n / 48)) for n in range(48)]
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2)
    out.setsampwidth(2)
    out.setframerate(48000)
    out.writeframes(b"".join(struct.pack("<hh", s, s) for s in period) * 1000 * int(sys.argv[2]))
PY
  pw feed "$tone" 0 1
}
