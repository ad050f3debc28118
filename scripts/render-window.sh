#!/usr/bin/env bash
# Renders the window in its key states (ready, running, running muted, waiting for the input,
# failed with the diagnostics open, permission off) to PNG files, on the simulated platform and
# Qt's offscreen display, so the panel can be looked at without audio hardware or a screen.
#
#   scripts/render-window.sh [DIRECTORY]     (default /tmp/vexmora-window)
#
# Builds into $VX_BUILD_DIR (default build/default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VX_BUILD_DIR:-$root/build/default}
out=${1:-/tmp/vexmora-window}
if [[ ! -f $build/build.ninja ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vx_render_window -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tests/vx_render_window" "$out" 2>/dev/null
