#!/usr/bin/env bash
# Times building the play queue (with its song-window lines) from a generated 100,000-line
# playlist as a whole process, in one run: RND and NEW against "shuf", NOR against "sort -f", each
# on the same file; median wall and CPU time of REPEAT runs. NOR sorts in Japanese reading order,
# so it is also measured against "sort -f" in the Japanese locale on the same lines in UTF-8. That
# needs the ja_JP.UTF-8 locale: on Debian, "localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" as root (or
# add it in /etc/locale.gen and run locale-gen); without it that line is left out.
# With BEFORE=TOOLS_FOLDER of another build (an earlier commit's), its figures are measured in the
# same run, interleaved, and printed after ours.
# Usage: [BEFORE=DIR] bench/run_queue_bench.sh [TOOLS_FOLDER] [LINES]
set -euo pipefail
. "$(dirname "$0")/bench_common.sh"
"$tools/MakeBenchPlaylist" "$work/KORVA.DT0" "$lines"
echo "playlist: $lines lines, $(stat -c %s "$work/KORVA.DT0") bytes; medians of $repeat runs"
builds=("$tools")
labels=("")
if [ -n "${BEFORE:-}" ]; then
  builds+=("$BEFORE")
  labels+=(" (before)")
fi
ja=""
if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  iconv -f CP932 -t UTF-8 "$work/KORVA.DT0" >"$work/utf8.txt"
  ja=yes
else
  echo "queue NOR (ja): no ja_JP.UTF-8 locale here; make it with: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
fi
commands=(shuf "$work/KORVA.DT0" -- sort -f "$work/KORVA.DT0")
[ -n "$ja" ] && commands+=(-- env LC_ALL=ja_JP.UTF-8 sort -f "$work/utf8.txt")
for build in "${builds[@]}"; do
  for mode in RND NEW NOR; do commands+=(-- "$build/PlaylistBenchTool" "$work" "$mode" 1); done
done
mapfile -t times < <(python3 bench/time_runs.py "$repeat" "${commands[@]}")
first=2
[ -n "$ja" ] && first=3
for b in "${!builds[@]}"; do
  at=$((first + 3 * b))
  compare "queue RND${labels[$b]}" "${times[$at]}" "shuf" "${times[0]}" 1.00
  compare "queue NEW${labels[$b]}" "${times[$((at + 1))]}" "shuf" "${times[0]}" 1.00
  compare "queue NOR${labels[$b]}" "${times[$((at + 2))]}" "sort -f" "${times[1]}"
  [ -n "$ja" ] && compare "queue NOR (ja)${labels[$b]}" "${times[$((at + 2))]}" "sort -f ja" "${times[2]}" 0.70
done
