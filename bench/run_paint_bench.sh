#!/usr/bin/env bash
# Measures how soon the deck appears: the time from exec to the program's first top-level window
# mapped on the display, beside Audacious' GTK window measured the same way in the same run. On a
# private Xvfb, rounds alternate between the programs so that both meet the same load. Each program
# has a HOME, XDG folders and runtime folder of its own in a temporary folder, so that no user state
# is touched; one unmeasured start of each comes first, so that what a program makes at its very
# first start (Audacious' plugin registry and settings) is made before the measured starts, as it
# is for a user. Ours gets a fresh program folder for each start, with a KORVA.INI naming TimGM6mb;
# its single-instance lock goes with the process, so no start finds an earlier one. Sound goes to a private PulseAudio daemon with a null sink where
# `pulseaudio` is installed (both programs find it), else to the silent output.
#
# bench/paint_watch.c does the timing, the same way for both programs: it watches the root window
# before it execs the program and takes the time the first top-level window is mapped ("mapped")
# and the time the X server reports the first drawing into it ("drawn": the first frame is on the
# screen), then ends the program. Ours also prints, with KORVA_PAINT_STAMP=1, the steady-clock time
# of the deck's first paint event, where its painting begins.
#
# Prints each start, then the medians and the ratios ours / Audacious (goal: drawn at most 0.7).
# Usage: [ROUNDS=5] bench/run_paint_bench.sh BUILD_DIR [OTHER_BUILD_DIR]
#   (korva built in each BUILD_DIR/korva; with two, each round starts both and Audacious once)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
builds=("${1:?build folder holding korva/korva}")
[ -n "${2:-}" ] && builds+=("$2")
rounds=${ROUNDS:-5}
timeoutMs=${TIMEOUT_MS:-15000}
settleMs=300
soundFont=/usr/share/sounds/sf2/TimGM6mb.sf2
for build in "${builds[@]}"; do
  [ -x "$build/korva/korva" ] || { echo "build korva first: cmake --build $build --target korva" >&2; exit 1; }
done
[ -f "$soundFont" ] || { echo "install timgm6mb-soundfont" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "install xvfb" >&2; exit 1; }
[ -f /usr/include/xcb/xcb.h ] || { echo "install libxcb1-dev (paint_watch is built against it)" >&2; exit 1; }
audacious=$(command -v audacious || true)
[ -n "$audacious" ] || echo "audacious is not installed: only our program is measured, no ratio (apt-get install audacious)"

work=$(mktemp -d)
helpers=()
cleanup() {
  set +e
  for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cc -O2 -o "$work/paint_watch" "$here/bench/paint_watch.c" -lxcb

. "$here/bench/private_desktop.sh"
start_private_pulse
start_private_xvfb
unset QT_QPA_PLATFORM WAYLAND_DISPLAY XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS

# A user of one program: HOME, XDG folders and a runtime folder of its own.
fresh_user() {
  local user=$1
  rm -rf "$user"
  mkdir -p "$user/home" "$user/config" "$user/data" "$user/cache"
  mkdir -m 700 "$user/runtime"
}

# Runs one start under paint_watch as the given user; prints "mapped_ms drawn_ms paint_event_ms
# window_name": drawn is the first drawing into the mapped window that the X server reported, and
# paint_event the deck's first paint event by the program's own clock ("-" when there is none).
start_once() {
  local user=$1 log=$2
  shift 2
  local line
  line=$(HOME="$user/home" XDG_CONFIG_HOME="$user/config" XDG_DATA_HOME="$user/data" \
    XDG_CACHE_HOME="$user/cache" XDG_RUNTIME_DIR="$user/runtime" KORVA_PAINT_STAMP=1 \
    "$work/paint_watch" "$timeoutMs" "$settleMs" "$@" 2>"$log" >"$log.line" </dev/null; cat "$log.line") || true
  read -r execNs mapped drawn name <<<"$line"
  if [ "${mapped:-timeout}" = timeout ] || [ -z "${mapped:-}" ]; then
    echo "timeout"
    return
  fi
  local painted="-" stamp
  stamp=$(awk '/^korva97: first paint at / { print $NF; exit }' "$log" 2>/dev/null || true)
  [ -n "$stamp" ] && painted=$(awk -v s="$stamp" -v e="$execNs" 'BEGIN { printf "%.1f", (s - e) / 1e6 }')
  echo "$mapped $drawn $painted $name"
}

run_korva() {
  local number=$1 build=$2 folder="$work/program$1"
  rm -rf "$folder"
  mkdir -p "$folder"
  # The program finds its folder from its own file, so it is copied, not linked.
  cp "$build/korva/korva" "$folder/korva"
  cp "$build"/korva/KORVA_*.MID "$folder/"
  printf '[SYNTH]\r\nSOUNDFONT=%s\r\nAUDIODRV=%s\r\n' "$soundFont" "$driver" >"$folder/KORVA.INI"
  start_once "$work/user$number" "$work/korva$number.log" "$folder/korva" >"$work/result"
  cat "$work/result"
}

run_audacious() {
  start_once "$work/user-audacious" "$work/audacious.log" "$audacious" -G >"$work/result"
  cat "$work/result"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); sound: $driver; display: Xvfb $DISPLAY; $rounds rounds"
for number in "${!builds[@]}"; do echo "build $((number + 1)): ${builds[$number]}"; done
# One start of each, unmeasured: a program's first start, and a cold page cache, are not measured.
for number in "${!builds[@]}"; do
  fresh_user "$work/user$((number + 1))"
  run_korva "$((number + 1))" "${builds[$number]}" >/dev/null
done
if [ -n "$audacious" ]; then
  fresh_user "$work/user-audacious"
  run_audacious >/dev/null
fi
for round in $(seq "$rounds"); do
  for number in "${!builds[@]}"; do
    result=$(run_korva "$((number + 1))" "${builds[$number]}")
    echo "round $round build $((number + 1)): $result"
    [ "$result" = timeout ] || echo "$result" >>"$work/ours.$((number + 1))"
  done
  if [ -n "$audacious" ]; then
    result=$(run_audacious)
    echo "round $round audacious -G: $result"
    [ "$result" = timeout ] || echo "$result" >>"$work/audacious"
  fi
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

# The median of a column (the upper one of an even count); "-" when nothing was measured.
median() { awk -v c="$2" '$c != "-" { v[++n] = $c } END {
  if (!n) { print "-"; exit } for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
  print v[int(n / 2) + 1] }' "$1" 2>/dev/null || echo "-"; }
theirMapped="-"
theirDrawn="-"
if [ -f "$work/audacious" ]; then
  theirMapped=$(median "$work/audacious" 1)
  theirDrawn=$(median "$work/audacious" 2)
  echo "audacious -G, median of $(wc -l <"$work/audacious"): mapped $theirMapped ms, drawn $theirDrawn ms"
fi
for number in "${!builds[@]}"; do
  file="$work/ours.$((number + 1))"
  [ -f "$file" ] || { echo "build $((number + 1)): no start mapped a window"; continue; }
  awk -v n="$((number + 1))" -v c="$(wc -l <"$file")" -v m="$(median "$file" 1)" -v d="$(median "$file" 2)" \
    -v p="$(median "$file" 3)" -v tm="$theirMapped" -v td="$theirDrawn" 'BEGIN {
    printf "build %d, median of %d: mapped %.1f ms, drawn %s ms (first paint event %s ms)", n, c, m, d, p
    if (td != "-" && d != "-") printf "; ratio to audacious: drawn %.2f (goal <= 0.70), mapped %.2f", d / td, m / tm
    printf "\n" }'
done
