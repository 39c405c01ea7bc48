#!/usr/bin/env bash
# Times loading a generated 100,000-line playlist (split, validate, sort, title list) as a whole
# process against "sort -f" on the same file, in one run: median wall and CPU time of REPEAT runs.
# A second line loads the same playlist with 100 abnormal lines, which adds writing the reject file.
# The load sorts in Japanese reading order, so it is also measured against "sort -f" in the Japanese
# locale on the same lines in UTF-8 when the ja_JP.UTF-8 locale is there (see run_queue_bench.sh).
# Usage: bench/run_playlist_bench.sh [TOOLS_FOLDER] [LINES]
set -euo pipefail
. "$(dirname "$0")/bench_common.sh"
mkdir "$work/clean" "$work/abnormal"
"$tools/MakeBenchPlaylist" "$work/clean/KORVA.DT0" "$lines" 0
"$tools/MakeBenchPlaylist" "$work/abnormal/KORVA.DT0" "$lines" 100
echo "playlist: $lines lines, $(stat -c %s "$work/clean/KORVA.DT0") bytes; medians of $repeat runs"
commands=(sort -f "$work/clean/KORVA.DT0" -- "$tools/PlaylistBenchTool" "$work/clean" load
  -- "$tools/PlaylistBenchTool" "$work/abnormal" load)
ja=""
if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  iconv -f CP932 -t UTF-8 "$work/clean/KORVA.DT0" >"$work/utf8.txt"
  commands+=(-- env LC_ALL=ja_JP.UTF-8 sort -f "$work/utf8.txt")
  ja=yes
fi
mapfile -t times < <(python3 bench/time_runs.py "$repeat" "${commands[@]}")
compare "load" "${times[1]}" "sort -f" "${times[0]}"
compare "load, reject file" "${times[2]}" "sort -f" "${times[0]}"
if [ -n "$ja" ]; then
  compare "load (ja)" "${times[1]}" "sort -f ja" "${times[3]}" 0.70
  compare "load, reject file (ja)" "${times[2]}" "sort -f ja" "${times[3]}" 0.70
fi
