#!/usr/bin/env bash
# Times building the play queue from a generated 100,000-line playlist as a whole process, in one
# run: RND and NEW against "shuf", NOR against "sort -f", each on the same file.
# Usage: bench/run_queue_bench.sh [TOOLS_FOLDER] [LINES]
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
export LC_ALL=C
shuf_ms=$(median_ms shuf "$work/KORVA.DT0")
sort_ms=$(median_ms sort -f "$work/KORVA.DT0")
rnd_ms=$(median_ms "$tools/BuildQueueTool" "$work" RND 1)
new_ms=$(median_ms "$tools/BuildQueueTool" "$work" NEW 1)
nor_ms=$(median_ms "$tools/BuildQueueTool" "$work" NOR 1)
compare "BuildQueueTool RND" "$rnd_ms" "$shuf_ms" "shuf"
compare "BuildQueueTool NEW" "$new_ms" "$shuf_ms" "shuf"
compare "BuildQueueTool NOR" "$nor_ms" "$sort_ms" "sort -f"
