#!/usr/bin/env bash
# Times building the play queue (with its song-window lines) from a generated 100,000-line
# playlist as a whole process, in one run: RND and NEW against "shuf", NOR against "sort -f", each
# on the same file; median wall and CPU time of REPEAT runs.
# Usage: bench/run_queue_bench.sh [TOOLS_FOLDER] [LINES]
set -euo pipefail
. "$(dirname "$0")/bench_common.sh"
"$tools/MakeBenchPlaylist" "$work/KORVA.DT0" "$lines"
echo "playlist: $lines lines, $(stat -c %s "$work/KORVA.DT0") bytes; medians of $repeat runs"
tool="$tools/PlaylistBenchTool"
mapfile -t times < <(python3 bench/time_runs.py "$repeat" shuf "$work/KORVA.DT0" -- sort -f "$work/KORVA.DT0" \
  -- "$tool" "$work" RND 1 -- "$tool" "$work" NEW 1 -- "$tool" "$work" NOR 1)
compare "queue RND" "${times[2]}" "shuf" "${times[0]}"
compare "queue NEW" "${times[3]}" "shuf" "${times[0]}"
compare "queue NOR" "${times[4]}" "sort -f" "${times[1]}"
