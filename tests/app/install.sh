#!/usr/bin/env bash
# `cmake --install` puts the program, its desktop entry and its icon where a desktop finds them,
# and the entry names that program and that icon.
#
#   tests/app/install.sh BUILD_DIRECTORY
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/bin/vexmora-monitor
entry=$prefix/share/applications/vexmora-monitor.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/vexmora-monitor.svg
[[ -x $program ]] || fail "no program at $program"
[[ -f $entry ]] || fail "no desktop entry at $entry"
[[ -f $icon ]] || fail "no icon at $icon"
grep -qx 'Exec=vexmora-monitor' "$entry" || fail "the desktop entry does not start vexmora-monitor"
grep -qx 'Icon=vexmora-monitor' "$entry" || fail "the desktop entry does not name the icon"
grep -q '<svg' "$icon" || fail "the icon is not an SVG image"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "the desktop entry is not valid"
fi
echo "PASS: program, desktop entry and icon installed under $prefix"
