#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test: the plain build, the
# AddressSanitizer+UBSan build, the concurrency tests under ThreadSanitizer, and a few seconds of
# each fuzz target on its seed corpus (clang).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# Debian 12's PipeWire session now and then loses a change of the default sink on its way to the
# clients bound to its metadata, more often under load, and removing the default sink while
# streams run now and then wedges it (about one run in eight). The tests that follow the default
# sink run on their own and, when one fails, again in a fresh session; docs/testing.md has the
# details.
sink_removal='DefaultSinkChanges\.|PipeWireHardware\.DefaultOutputFollows'
for preset in default asan tsan fuzz; do
  echo "=== ${preset} ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" -E "$sink_removal"
  ctest --preset "$preset" -R "$sink_removal" --repeat until-pass:3
done
