#!/usr/bin/env bash
# Draws the five pages of the settings window and the about window with the program's own rendering,
# offscreen, at twice the design size as on a high-DPI screen (SCALE=1 for the design size). All six
# pictures go to a temporary folder; the basic page is copied to docs/settings-basic.png.
# Needs the packages of scripts/setup.sh (Qt 6, the IPA fonts).
# Usage: scripts/grab-settings.sh [folder for all six pictures]   (KORVA_BUILD names another build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$(mktemp -d /tmp/korva-settings.XXXXXX)}")
build="${KORVA_BUILD:-$here/build/grab}"
mkdir -p "$out" "$build"
log="$build/grab-settings.log"
if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVA_BENCH=OFF &&
       cmake --build "$build" --target TSetUpDlgTest -j"$(nproc)"; } >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="${SCALE:-2}" KORVA_GRAB_DIR="$out" \
  "$build/bin/TSetUpDlgTest" grabPages >/dev/null
cp "$out/settings-basic.png" "$here/docs/settings-basic.png"
ls "$out"/*.png
echo "$here/docs/settings-basic.png"
