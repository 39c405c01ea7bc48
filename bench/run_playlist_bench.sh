#!/usr/bin/env bash
# Times loading a generated 100,000-line playlist (split, validate, sort, title list) as a whole
# process against "sort -f" on the same file, in one run: median wall and CPU time of REPEAT runs.
# A second line loads the same playlist with 100 abnormal lines, which adds writing the reject file.
# Usage: bench/run_playlist_bench.sh [TOOLS_FOLDER] [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/bench_common.sh
tools=$(find_tools "${1:-}")
lines=${2:-100000}
repeat=${REPEAT:-15}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/clean" "$work/abnormal"
"$tools/MakeBenchPlaylist" "$work/clean/KORVA.DT0" "$lines" 0
"$tools/MakeBenchPlaylist" "$work/abnormal/KORVA.DT0" "$lines" 100
echo "playlist: $lines lines, $(stat -c %s "$work/clean/KORVA.DT0") bytes; medians of $repeat runs"
# The C locale compares bytes, as the playlist order does; sort may use every processor.
export LC_ALL=C
mapfile -t times < <(python3 bench/time_runs.py "$repeat" sort -f "$work/clean/KORVA.DT0" \
  -- "$tools/LoadPlaylistTool" "$work/clean" -- "$tools/LoadPlaylistTool" "$work/abnormal")
compare "load" "${times[1]}" "sort -f" "${times[0]}"
compare "load, reject file" "${times[2]}" "sort -f" "${times[0]}"
