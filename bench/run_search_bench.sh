#!/usr/bin/env bash
# Times the search page over two generated 100,000-line playlists as a whole process, against
# "grep -ciF" over the same two files, in one run; median wall and CPU time of REPEAT runs.
# Usage: bench/run_search_bench.sh [TOOLS_FOLDER] [LINES] [TEXT]
set -euo pipefail
. "$(dirname "$0")/bench_common.sh"
text=${3:-kiro}
"$tools/MakeBenchPlaylist" "$work/KORVA.DT0" "$lines"
"$tools/MakeBenchPlaylist" "$work/KORVA.DT1" "$lines"
echo "two playlists of $lines lines, $(stat -c %s "$work/KORVA.DT0") bytes each; text \"$text\"; medians of $repeat runs"
mapfile -t times < <(python3 bench/time_runs.py "$repeat" grep -ciF "$text" "$work/KORVA.DT0" "$work/KORVA.DT1" \
  -- "$tools/PlaylistBenchTool" "$work" find "$text")
compare "search" "${times[1]}" "grep -ciF" "${times[0]}" 1.50
