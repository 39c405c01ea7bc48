#!/usr/bin/env bash
# Draws both designs of the player window and the remote strip with the program's own rendering
# and saves them as docs/deck-standard.png, docs/deck-deluxe.png and docs/remote.png. The pictures
# come from the window tests' grab mode, offscreen, at twice the design size as on a high-DPI
# screen (SCALE=1 for the design size).
# Needs the packages of scripts/setup.sh (Qt 6, the IPA Gothic font).
# Usage: scripts/grab-deck.sh [output folder]   (KORVA_BUILD names another build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/docs}")
build="${KORVA_BUILD:-$here/build/grab}"
mkdir -p "$out"
log="$build/grab-deck.log"
mkdir -p "$build"
if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVA_BENCH=OFF &&
       cmake --build "$build" --target TMainFormTest TRemoteDlgTest -j"$(nproc)"; } >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="${SCALE:-2}" KORVA_GRAB_DIR="$out" \
  "$build/bin/TMainFormTest" grabDeck >/dev/null
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="${SCALE:-2}" KORVA_GRAB_DIR="$out" \
  "$build/bin/TRemoteDlgTest" grabStrip >/dev/null
echo "$out/deck-standard.png"
echo "$out/deck-deluxe.png"
echo "$out/remote.png"
