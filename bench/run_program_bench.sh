#!/usr/bin/env bash
# Starts the whole program as a user would and measures it. A program folder in a temporary folder
# holds the program, its reset files, a KORVA.INI with auto start (ATSTART 1: Play is pressed 4 s
# after start-up) in LIST0 mode, and a KORVA.DT0 naming one generated 60-second song on all 16
# channels. Sound goes to a private PulseAudio daemon with a null sink where `pulseaudio` is
# installed, else to the program's silent output; windows go to a private Xvfb where it is
# installed, else to Qt's offscreen platform.
#
# Reported, against `fluidsynth -ni -F` rendering the same song offline (median of 3):
#   - CPU seconds of the program (all threads) while it plays the song in real time, and the ratio
#     (goal at most 1.15); how much of it the thread that renders the synthesizer took, up to a
#     second before the song's end; with PulseAudio, the daemon's CPU in the same time beside it;
#   - its peak resident memory (VmHWM);
#   - its CPU over IDLE_SECONDS (default 20) stopped after the song (goal at most 0.1% of a core),
#     and how often its threads woke in that time;
#   - under Xvfb, the time from exec to the main window mapped on the screen.
# Usage: bench/run_program_bench.sh BUILD_DIR   (with korva built in BUILD_DIR/korva)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder holding korva/korva}
program="$build/korva/korva"
soundFont=/usr/share/sounds/sf2/TimGM6mb.sf2
idleSeconds=${IDLE_SECONDS:-20}
songSeconds=60
command -v fluidsynth >/dev/null || { echo "install fluidsynth (--no-install-recommends)" >&2; exit 1; }
[ -x "$program" ] || { echo "build korva first: cmake --build $build --target korva" >&2; exit 1; }
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

# The program folder. The program finds its folder from its own file, so it is copied, not linked.
folder="$work/program"
mkdir -p "$folder"
cp "$program" "$folder/korva"
cp "$build"/korva/KORVA_*.MID "$folder/"
python3 "$here/scripts/make_midi.py" busy "$songSeconds" "$folder/BUSY.MID"
printf 'Busy Song\t%s\t+0\t1\r\n' "$folder/BUSY.MID" >"$folder/KORVA.DT0"

# Sound: a private PulseAudio daemon whose only sink throws the sound away, or the silent output
# (a driver name that FluidSynth does not know leaves only that).
pulse=""
if command -v pulseaudio >/dev/null; then
  mkdir -p "$work/pulse"
  HOME="$work" PULSE_RUNTIME_PATH="$work/pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --log-target=file:"$work/pulse.log" \
    -L "module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
    -L "module-null-sink sink_name=bench" -L "module-always-sink" &
  pulse=$!
  helpers+=("$pulse")
  export PULSE_SERVER="unix:$work/pulse/native"
  for _ in $(seq 100); do [ -S "$work/pulse/native" ] && break; sleep 0.05; done
  [ -S "$work/pulse/native" ] || { echo "the PulseAudio daemon did not start:" >&2; cat "$work/pulse.log" >&2; exit 1; }
  driver=pulseaudio
else
  driver=silent
fi
printf '[KORVA]\r\nPLAYMOD=0\r\nRNDMODE=0\r\nCYCMODE=0\r\nATSTART=1\r\nSENDRST=1\r\nUSECLOK=1\r\n[SYNTH]\r\nSOUNDFONT=%s\r\nAUDIODRV=%s\r\n' \
  "$soundFont" "$driver" >"$folder/KORVA.INI"

# Display: a private Xvfb, or none at all.
display="offscreen"
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  helpers+=("$!")
  exec 3>&-
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
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

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); sound: $driver; display: $display"
started=$(now)
"$folder/korva" >"$work/korva.log" 2>&1 &
korva=$!

# The main window is armed with the auto-start timer while it is made; under Xvfb the time it is
# mapped is taken as the start of that timer's 4 s.
shown=""
if [ "$display" != offscreen ]; then
  for _ in $(seq 1000); do
    alive
    if xdotool search --onlyvisible --name '^KORVA97$' >/dev/null 2>&1; then shown=$(now); break; fi
    sleep 0.01
  done
fi
armed=${shown:-$started}

# Before the auto start; after the song, its reset file and the output's short tail.
sleep_until "$(awk -v a="$armed" 'BEGIN { printf "%.3f", a + 3 }')"
alive
playFrom=$(cpu_of "$korva")
pulseFrom=$([ -n "$pulse" ] && cpu_of "$pulse" || echo 0)
# A second before the song's end: the busiest thread, the one rendering, against the whole program.
sleep_until "$(awk -v a="$armed" -v s="$songSeconds" 'BEGIN { printf "%.3f", a + 4 + s - 1 }')"
alive
lateTotal=$(cpu_of "$korva")
lateRender=$(cat /proc/"$korva"/task/*/stat 2>/dev/null | awk -v t="$ticks" '{
  sub(/^.*\) /, ""); c = ($12 + $13) / t; if (c > m) m = c } END { printf "%.3f", m }')
sleep_until "$(awk -v a="$armed" -v s="$songSeconds" 'BEGIN { printf "%.3f", a + 4 + s + 4.5 }')"
alive
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
peakRss=$(awk '/^VmHWM/ { print $2 }' "/proc/$korva/status")

# The yardstick, three times; the median counts.
theirs=()
for _ in 1 2 3; do
  /usr/bin/time -f '%U %S' -o "$work/time" fluidsynth -ni -F "$work/out.wav" "$soundFont" "$folder/BUSY.MID" >/dev/null 2>&1
  theirs+=("$(awk '{ printf "%.2f", $1 + $2 }' "$work/time")")
done
reference=$(printf '%s\n' "${theirs[@]}" | sort -n | sed -n 2p)

echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -n "$shown" ]; then
  awk -v a="$started" -v b="$shown" 'BEGIN { printf "start to main window shown: %.0f ms\n", (b - a) * 1000 }'
fi
awk -v a="$playFrom" -v b="$playTo" -v p="${pulse:+1}" -v pa="$pulseFrom" -v pb="$pulseTo" -v t="$reference" -v s="$songSeconds" 'BEGIN {
  printf "playing the %d s, 16-channel song in real time: %.2f s CPU; fluidsynth -F %.2f s CPU (median of 3); ratio %.2f (goal <= 1.15)\n", s, b - a, t, (b - a) / t
  if (p) printf "  PulseAudio daemon meanwhile: %.2f s CPU\n", pb - pa }'
awk -v r="$lateRender" -v a="$playFrom" -v b="$lateTotal" 'BEGIN {
  printf "  up to 1 s before its end, the thread rendering the synthesizer took %.2f s of the program'"'"'s %.2f s (%.0f%%)\n", r, b - a, r / (b - a) * 100 }'
echo "peak resident memory: $((peakRss / 1024)) MiB"
awk -v a="$idleFrom" -v b="$idleTo" -v s="$idleStart" -v e="$idleEnd" -v w="$((sleepsTo - sleepsFrom))" 'BEGIN {
  printf "stopped for %.1f s: %.1f ms CPU, %.3f%% of a core (goal <= 0.1%%); %d wake-ups\n", e - s, (b - a) / 1e6, (b - a) / 1e9 / (e - s) * 100, w }'
