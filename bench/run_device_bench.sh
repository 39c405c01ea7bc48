#!/usr/bin/env bash
# CPU time (user + system) to render a 60-second, 16-channel song through the sequencer device in
# virtual time, against the fluidsynth command-line renderer (fluidsynth -ni -F) on the same file
# and SoundFont, as a ratio in one run. Goal: at most 1.0.
# With REAL_TIME=1 the device also renders the song at the pace a sound card asks for it (two more
# minutes): in the program's blocks of 4096 frames, and in blocks of 4 s. The same work costs more
# CPU time when done in short bursts with sleep between them on a processor that slows down while
# idle; these rows show how much that is on the machine at hand, apart from any sound output.
# Usage: [REAL_TIME=1] bench/run_device_bench.sh BUILD_DIR   (DeviceRenderTool built in BUILD_DIR/bin)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder holding bin/DeviceRenderTool}
tool="$build/bin/DeviceRenderTool"
soundFont=/usr/share/sounds/sf2/TimGM6mb.sf2
command -v fluidsynth >/dev/null || { echo "install fluidsynth (--no-install-recommends)" >&2; exit 1; }
[ -x "$tool" ] || { echo "build DeviceRenderTool first: cmake --build $build --target DeviceRenderTool" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/scripts/make_midi.py" busy 60 "$work/busy.mid"

# Prints the CPU seconds of one run of a command, its output thrown away.
cpu_seconds() {
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1
  awk '{printf "%.2f", $1 + $2}' "$work/time"
}

# The two alternate, three times each, so that a passing load on the machine hits both alike; the
# medians are compared.
ours=() theirs=()
for round in 1 2 3; do
  ours+=("$(cpu_seconds "$tool" "$work/busy.mid" "$soundFont")")
  theirs+=("$(cpu_seconds fluidsynth -ni -F "$work/out.wav" "$soundFont" "$work/busy.mid")")
done
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
awk -v o="$(median "${ours[@]}")" -v t="$(median "${theirs[@]}")" 'BEGIN {
  printf "60 s song, 16 channels: device %.2f s CPU, fluidsynth -F %.2f s CPU (medians of 3), ratio %.2f (goal <= 1.00)\n", o, t, o / t }'
if [ "${REAL_TIME:-0}" = 1 ]; then
  for period in 4096 176400; do
    awk -v f="$period" -v c="$(cpu_seconds "$tool" --period "$period" --real-time "$work/busy.mid" "$soundFont")" \
      -v t="$(median "${theirs[@]}")" 'BEGIN {
      printf "  in real time, blocks of %d frames (%.0f ms): %.2f s CPU, ratio %.2f\n", f, f / 44.1, c, c / t }'
  done
fi
