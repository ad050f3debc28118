#!/usr/bin/env bash
# Renders the window in the phases its test checks (no input, no output, ready, running, muted,
# asking for access, waiting for the input, failed with the diagnostics open, access off, an
# unsupported rate, and more) to PNG files, one named after each phase's script, on the simulated
# platform and Qt's offscreen display, so the panel can be looked at without audio hardware or a
# screen.
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
cmake --build "$build" --target vx_ui_tests -j2 >/dev/null
VX_RENDER_DIR=$out "$build/tests/vx_ui_tests" --gtest_filter='MonitorViewTest.EachPhase*' \
  --gtest_brief=1 >/dev/null
ls "$out"/*.png
