#!/usr/bin/env bash
# Times loading a generated 100,000-line playlist (split, validate, sort, title list) as a whole
# process against "sort -f" on the same file, in one run: median wall and CPU time of REPEAT runs.
# A second line loads the same playlist with 100 abnormal lines, which adds writing the reject file.
# Usage: bench/run_playlist_bench.sh [TOOLS_FOLDER] [LINES]
set -euo pipefail
. "$(dirname "$0")/bench_common.sh"
mkdir "$work/clean" "$work/abnormal"
"$tools/MakeBenchPlaylist" "$work/clean/KORVA.DT0" "$lines" 0
"$tools/MakeBenchPlaylist" "$work/abnormal/KORVA.DT0" "$lines" 100
echo "playlist: $lines lines, $(stat -c %s "$work/clean/KORVA.DT0") bytes; medians of $repeat runs"
mapfile -t times < <(python3 bench/time_runs.py "$repeat" sort -f "$work/clean/KORVA.DT0" \
  -- "$tools/PlaylistBenchTool" "$work/clean" load -- "$tools/PlaylistBenchTool" "$work/abnormal" load)
compare "load" "${times[1]}" "sort -f" "${times[0]}"
compare "load, reject file" "${times[2]}" "sort -f" "${times[0]}"
