#!/usr/bin/env bash
# Starts the whole program as a user would and measures it. A program folder in a temporary folder
# holds the program, its reset files, a KORVA.INI with auto start (ATSTART 1: Play is pressed 4 s
# after start-up) in LIST0 mode, and a KORVA.DT0 naming one generated 60-second song on all 16
# channels. Sound goes to a private PulseAudio daemon with a null sink where `pulseaudio` is
# installed, else to the program's silent output; windows go to a private Xvfb where it is
# installed (with xdotool), else to Qt's offscreen platform.
#
# Each round plays the song once and then runs the yardstick, `fluidsynth -ni -F` rendering the same
# song offline, at once after it, so that both meet the same load on the machine. Given a second
# build folder, the rounds alternate between the two, each with its own yardstick: a change is
# measured beside what it changes, in one run. Reported per round, and as medians per build:
#   - CPU seconds of the program (all threads) while it plays the song in real time, and the ratio
#     to its yardstick (goal at most 1.0); how much of it the thread that renders the synthesizer
#     took, up to a second before the song's end; with PulseAudio, the daemon's CPU beside it;
#   - its peak resident memory (VmHWM, goal at most 48 MiB), its resident memory just before the
#     song starts, and what holds it halfway through the song, by mapping: anonymous memory (the
#     heap: the SoundFont, the synthesizer, the sound rendered ahead, the windows), the program's
#     own file, the Qt libraries, ICU, fonts and the other shared libraries;
#   - its CPU over IDLE_SECONDS (default 20; 0 skips it) stopped after the song (goal at most 0.1%
#     of a core), and how often its threads woke in that time;
#   - under Xvfb, the time from exec to the main window mapped on the screen;
#   - once, after the rounds, the floor: the peak and halfway resident memory of MemoryFloorTool (one
#     Qt window beside FluidSynth playing the same song), where BUILD_DIR/bin holds it and PulseAudio runs.
# With LIST_LINES=N the list names the song N times (as "Busy Song 1" .. "Busy Song N"), so that the
# queue and the song window hold N lines while the first plays.
# Usage: [ROUNDS=5] [IDLE_SECONDS=20] [LIST_LINES=1] bench/run_program_bench.sh BUILD_DIR [OTHER_BUILD_DIR]
#   (with korva built in each BUILD_DIR/korva)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
builds=("${1:?build folder holding korva/korva}")
[ -n "${2:-}" ] && builds+=("$2")
rounds=${ROUNDS:-5}
soundFont=/usr/share/sounds/sf2/TimGM6mb.sf2
idleSeconds=${IDLE_SECONDS:-20}
listLines=${LIST_LINES:-1}
songSeconds=60
command -v fluidsynth >/dev/null || { echo "install fluidsynth (--no-install-recommends)" >&2; exit 1; }
for build in "${builds[@]}"; do
  [ -x "$build/korva/korva" ] || { echo "build korva first: cmake --build $build --target korva" >&2; exit 1; }
done
[ -f "$soundFont" ] || { echo "install timgm6mb-soundfont" >&2; exit 1; }

work=$(mktemp -d)
helpers=()
korva=""
cleanup() {
  set +e
  [ -n "$korva" ] && kill "$korva" 2>/dev/null && wait "$korva" 2>/dev/null
  for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A runtime folder of its own: the program's single-instance lock lives there, so that a copy the
# user runs, or another benchmark, is neither handed the files nor found running.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
song="$work/BUSY.MID"
python3 "$here/scripts/make_midi.py" busy "$songSeconds" "$song"

# Sound: a private PulseAudio daemon, or the silent output.
. "$here/bench/private_desktop.sh"
start_private_pulse

# Display: a private Xvfb, or none at all.
display="offscreen"
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  start_private_xvfb
  export QT_QPA_PLATFORM=xcb
  display="Xvfb $DISPLAY"
else
  export QT_QPA_PLATFORM=offscreen
fi

ticks=$(getconf CLK_TCK)
now() { date +%s.%N; }
# CPU seconds of a process so far, its finished threads included.
cpu_of() { awk -v t="$ticks" '{ sub(/^.*\) /, ""); printf "%.3f", ($12 + $13) / t }' "/proc/$1/stat"; }
# Nanoseconds on a processor of the process's threads (finer than cpu_of, for the idle time).
ns_of() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'; }
# Times its threads went to sleep: each is one wake-up ended.
sleeps_of() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { s += $2 } END { print s }'; }
sleep_until() { local wait; wait=$(awk -v a="$1" -v b="$(now)" 'BEGIN { d = a - b; print (d > 0 ? d : 0) }'); sleep "$wait"; }
alive() { kill -0 "$korva" 2>/dev/null || { echo "the program ended early; its output:" >&2; cat "$work/korva.log" >&2; exit 1; }; }
# Resident KiB of a process by what is mapped: "anonymous program qt icu fonts libraries other".
resident_by_kind() {
  awk -v program="$2" '
    /^[0-9a-f]+-[0-9a-f]+ / { path = (NF >= 6 ? $6 : ""); next }
    /^Rss:/ {
      kind = "other"
      if (path == "" || path ~ /^\[(heap|stack|anon)/) kind = "anonymous"
      else if (path == program) kind = "program"
      else if (path ~ /libQt6/) kind = "qt"
      else if (path ~ /libicu/) kind = "icu"
      else if (path ~ /\/fonts\//) kind = "fonts"
      else if (path ~ /\.so/) kind = "libraries"
      size[kind] += $2
    }
    END { printf "%d %d %d %d %d %d %d", size["anonymous"], size["program"], size["qt"], size["icu"], size["fonts"],
          size["libraries"], size["other"] }' "/proc/$1/smaps"
}

# One round: the program of a build plays the song (and rests IDLE_SECONDS), then the yardstick
# renders it. Appends "ratio play yardstick peak before anonymous program qt icu fonts libraries
# other" to $work/results.<build number> and prints the round's line.
run_round() {
  local number=$1 build=$2 folder="$work/program$1"
  # The program finds its folder from its own file, so it is copied, not linked; a fresh folder
  # each round, so that no round finds what another one wrote.
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$build/korva/korva" "$folder/korva"
  cp "$build"/korva/KORVA_*.MID "$folder/"
  if [ "$listLines" -gt 1 ]; then
    # A long list of the same song: the queue and the song window hold every line.
    awk -v n="$listLines" -v s="$song" 'BEGIN { for (i = 1; i <= n; ++i) printf "Busy Song %d\t%s\t+0\t1\r\n", i, s }' \
      >"$folder/KORVA.DT0"
  else
    printf 'Busy Song\t%s\t+0\t1\r\n' "$song" >"$folder/KORVA.DT0"
  fi
  printf '[KORVA]\r\nPLAYMOD=0\r\nRNDMODE=0\r\nCYCMODE=0\r\nATSTART=1\r\nSENDRST=1\r\nUSECLOK=1\r\n[SYNTH]\r\nSOUNDFONT=%s\r\nAUDIODRV=%s\r\n' \
    "$soundFont" "$driver" >"$folder/KORVA.INI"

  local started shown="" armed
  started=$(now)
  "$folder/korva" >"$work/korva.log" 2>&1 &
  korva=$!
  # The main window is armed with the auto-start timer while it is made; under Xvfb the time it is
  # mapped is taken as the start of that timer's 4 s.
  if [ "$display" != offscreen ]; then
    for _ in $(seq 1000); do
      alive
      if xdotool search --onlyvisible --name '^KORVA97$' >/dev/null 2>&1; then shown=$(now); break; fi
      sleep 0.01
    done
  fi
  armed=${shown:-$started}

  # Before the auto start; halfway; a second before the song's end; after the song, its reset file
  # and the output's short tail.
  sleep_until "$(awk -v a="$armed" 'BEGIN { printf "%.3f", a + 3 }')"
  alive
  local before playFrom pulseFrom
  before=$(awk '/^VmRSS/ { print $2 }' "/proc/$korva/status")
  playFrom=$(cpu_of "$korva")
  pulseFrom=$([ -n "$pulse" ] && cpu_of "$pulse" || echo 0)
  sleep_until "$(awk -v a="$armed" -v s="$songSeconds" 'BEGIN { printf "%.3f", a + 4 + s / 2 }')"
  alive
  local kinds
  kinds=$(resident_by_kind "$korva" "$folder/korva")
  # The busiest thread, the one rendering, against the whole program.
  sleep_until "$(awk -v a="$armed" -v s="$songSeconds" 'BEGIN { printf "%.3f", a + 4 + s - 1 }')"
  alive
  local lateTotal lateRender
  lateTotal=$(cpu_of "$korva")
  lateRender=$(cat /proc/"$korva"/task/*/stat 2>/dev/null | awk -v t="$ticks" '{
    sub(/^.*\) /, ""); c = ($12 + $13) / t; if (c > m) m = c } END { printf "%.3f", m }')
  sleep_until "$(awk -v a="$armed" -v s="$songSeconds" 'BEGIN { printf "%.3f", a + 4 + s + 4.5 }')"
  alive
  local playTo pulseTo idleFrom idleTo sleepsFrom sleepsTo idleStart idleEnd peak
  playTo=$(cpu_of "$korva")
  pulseTo=$([ -n "$pulse" ] && cpu_of "$pulse" || echo 0)
  idleFrom=$(ns_of "$korva")
  sleepsFrom=$(sleeps_of "$korva")
  idleStart=$(now)
  sleep "$idleSeconds"
  alive
  idleTo=$(ns_of "$korva")
  sleepsTo=$(sleeps_of "$korva")
  idleEnd=$(now)
  peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$korva/status")
  kill "$korva" && wait "$korva" 2>/dev/null || true
  korva=""

  /usr/bin/time -f '%U %S' -o "$work/time" fluidsynth -ni -F "$work/out.wav" "$soundFont" "$song" >/dev/null 2>&1
  local theirs
  theirs=$(awk '{ printf "%.2f", $1 + $2 }' "$work/time")

  awk -v n="$number" -v a="$playFrom" -v b="$playTo" -v t="$theirs" -v r="$lateRender" -v l="$lateTotal" \
    -v p="${pulse:+1}" -v pa="$pulseFrom" -v pb="$pulseTo" -v m="$peak" -v f="$before" \
    -v ia="$idleFrom" -v ib="$idleTo" -v is="$idleStart" -v ie="$idleEnd" -v w="$((sleepsTo - sleepsFrom))" -v idle="$idleSeconds" \
    -v st="$started" -v sh="$shown" -v load="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
    printf "  build %d: playing %.2f s CPU, fluidsynth -F %.2f s, ratio %.3f; rendering thread %.0f%%", n, b - a, t, (b - a) / t, r / (l - a) * 100
    if (p) printf "; PulseAudio %.2f s", pb - pa
    printf "; peak %.1f MiB (%.1f before playing)", m / 1024, f / 1024
    if (idle > 0) printf "; stopped %.3f%% of a core, %d wake-ups", (ib - ia) / 1e9 / (ie - is) * 100, w
    if (sh != "") printf "; shown after %.0f ms", (sh - st) * 1000
    printf "; load %s\n", load }'
  echo "$(awk -v a="$playFrom" -v b="$playTo" -v t="$theirs" 'BEGIN { printf "%.4f %.2f %.2f", (b - a) / t, b - a, t }') $peak $before $kinds" \
    >>"$work/results.$number"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); sound: $driver; display: $display; $rounds rounds"
for number in "${!builds[@]}"; do echo "build $((number + 1)): ${builds[$number]}"; done
for round in $(seq "$rounds"); do
  echo "round $round"
  for number in "${!builds[@]}"; do run_round "$((number + 1))" "${builds[$number]}"; done
done
# The floor: the least a Qt window beside FluidSynth playing the same song holds (the first build's
# MemoryFloorTool, where it was built), measured as the program is.
floor=""
floorTool="${builds[0]}/bin/MemoryFloorTool"
if [ -x "$floorTool" ] && [ "$driver" = pulseaudio ]; then
  echo "floor: $floorTool"
  "$floorTool" "$soundFont" "$song" "$driver" >"$work/floor" 2>"$work/floor.log" &
  floorPid=$!
  sleep "$((songSeconds / 2))"
  floorKinds=""
  kill -0 "$floorPid" 2>/dev/null && floorKinds=$(resident_by_kind "$floorPid" "$floorTool")
  wait "$floorPid" && [ -n "$floorKinds" ] || { echo "the floor tool failed:" >&2; cat "$work/floor.log" >&2; exit 1; }
  floor="$(awk '{ print $2 }' "$work/floor") $floorKinds"
fi
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

# The median of each column of a build's rounds (the upper one of an even count).
medians() { awk '{ for (i = 1; i <= NF; ++i) v[i, NR] = $i } END {
  for (i = 1; i <= NF; ++i) { n = 0; for (r = 1; r <= NR; ++r) c[++n] = v[i, r]
    for (x = 1; x <= n; ++x) for (y = x + 1; y <= n; ++y) if (c[y] < c[x]) { t = c[x]; c[x] = c[y]; c[y] = t }
    printf "%s ", c[int(n / 2) + 1] } }' "$1"; }
# Prints the seven figures of resident_by_kind (KiB) in MiB.
print_resident_by_kind() {
  awk -v a="$1" -v p="$2" -v q="$3" -v i="$4" -v f="$5" -v l="$6" -v o="$7" 'BEGIN {
    printf "  resident halfway, MiB: anonymous %.1f, program file %.1f, Qt %.1f, ICU %.1f, fonts %.1f, other libraries %.1f, other %.1f\n",
      a / 1024, p / 1024, q / 1024, i / 1024, f / 1024, l / 1024, o / 1024 }'
}
for number in "${!builds[@]}"; do
  read -r ratio ours theirs peak before kinds <<<"$(medians "$work/results.$((number + 1))")"
  awk -v n="$((number + 1))" -v r="$ratio" -v o="$ours" -v t="$theirs" -v m="$peak" -v f="$before" 'BEGIN {
    printf "build %d, medians: playing the song in real time costs %.3f of fluidsynth -F (goal <= 1.0; %.2f s CPU against %.2f s)\n", n, r, o, t
    printf "  peak resident memory %.1f MiB (goal <= 48), %.1f MiB before playing\n", m / 1024, f / 1024 }'
  # shellcheck disable=SC2086 # the seven figures, one word each
  print_resident_by_kind $kinds
done
if [ -n "$floor" ]; then
  read -r peak kinds <<<"$floor"
  awk -v m="$peak" 'BEGIN { printf "floor (a Qt window and FluidSynth playing the song): peak resident memory %.1f MiB\n", m / 1024 }'
  # shellcheck disable=SC2086 # the seven figures, one word each
  print_resident_by_kind $kinds
fi
