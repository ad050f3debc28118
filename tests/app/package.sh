#!/usr/bin/env bash
# `cpack -G DEB` builds a package that, unpacked, holds the program (which answers --version), a
# valid desktop entry naming that program and its icon, valid AppStream metainfo, and depends on
# the libraries the program links.
#
#   tests/app/package.sh BUILD_DIRECTORY
set -euo pipefail
build=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log) ||
  fail "cpack failed: $(cat "$scratch/cpack.log")"
packages=("$scratch"/vexmora-monitor_*.deb)
[[ -f ${packages[0]} ]] || fail "cpack made no vexmora-monitor package"
package=${packages[0]}
root=$scratch/root
dpkg -x "$package" "$root"

program=$root/usr/bin/vexmora-monitor
entry=$root/usr/share/applications/vexmora-monitor.desktop
icon=$root/usr/share/icons/hicolor/scalable/apps/vexmora-monitor.svg
metainfo=$root/usr/share/metainfo/com.vexmora.Monitor.metainfo.xml
[[ -x $program ]] || fail "no program at $program"
[[ -f $entry ]] || fail "no desktop entry at $entry"
[[ -f $icon ]] || fail "no icon at $icon"
[[ -f $metainfo ]] || fail "no metainfo at $metainfo"
grep -qx 'Exec=vexmora-monitor' "$entry" || fail "the desktop entry does not start vexmora-monitor"
grep -qx 'Icon=vexmora-monitor' "$entry" || fail "the desktop entry does not name the icon"
grep -q '<svg' "$icon" || fail "the icon is not an SVG image"
grep -q '<launchable type="desktop-id">vexmora-monitor.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch the desktop entry"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ $("$program" --version) == "vexmora-monitor $version" ]] ||
  fail "the program does not report version $version"
grep -q "release version=\"$version\"" "$metainfo" || fail "the metainfo misses release $version"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "the desktop entry is not valid"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >/dev/null || fail "the metainfo is not valid"
fi

depends=$(dpkg-deb -f "$package" Depends)
for library in libpipewire-0.3-0 libqt6widgets6 libzita-resampler1 qt6-qpa-plugins; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
echo "PASS: $(basename "$package") depends on $depends"
