#!/usr/bin/env bash
# Times building the play queue (with its song-window lines) from a generated 100,000-line
# playlist as a whole process, in one run: RND and NEW against "shuf", NOR against "sort -f", each
# on the same file; median wall and CPU time of REPEAT runs. NOR sorts in Japanese reading order,
# so it is also measured against "sort -f" in the Japanese locale on the same lines in UTF-8. That
# needs the ja_JP.UTF-8 locale: on Debian, "localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" as root (or
# add it in /etc/locale.gen and run locale-gen); without it that line is left out.
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
if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  iconv -f CP932 -t UTF-8 "$work/KORVA.DT0" >"$work/utf8.txt"
  mapfile -t times < <(python3 bench/time_runs.py "$repeat" env LC_ALL=ja_JP.UTF-8 sort -f "$work/utf8.txt" \
    -- "$tool" "$work" NOR 1)
  compare "queue NOR (ja)" "${times[1]}" "sort -f ja" "${times[0]}"
else
  echo "queue NOR (ja): no ja_JP.UTF-8 locale here; make it with: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
fi
