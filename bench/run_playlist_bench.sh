#!/usr/bin/env bash
# Times loading a generated 100,000-line playlist (split, validate, sort, title list, reject file)
# as a whole process against "sort -f" on the same file, in one run.
# Usage: bench/run_playlist_bench.sh [TOOLS_FOLDER] [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_common.sh
tools=$(find_tools "${1:-}")
lines=${2:-100000}
REPEAT=${REPEAT:-9}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tools/MakeBenchPlaylist" "$work/KORVA.DT0" "$lines"
echo "playlist: $lines lines, $(stat -c %s "$work/KORVA.DT0") bytes; median of $REPEAT runs"
# The C locale compares bytes, as the playlist order does; sort may use every processor.
export LC_ALL=C
sort_ms=$(median_ms sort -f "$work/KORVA.DT0")
load_ms=$(median_ms "$tools/LoadPlaylistTool" "$work")
compare "LoadPlaylistTool" "$load_ms" "$sort_ms" "sort -f"
