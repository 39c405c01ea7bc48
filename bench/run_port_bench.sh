#!/usr/bin/env bash
# How late the MIDI port device's events come at a JACK MIDI client, and the CPU it takes: a 60 s,
# 16-channel song played to a client on a JACK server of the tool's own (dummy back end, 48 kHz),
# at periods of 256 and 1024 frames. Prints the lateness of every event (median, p99, max, in ms,
# from frame times) and the CPU while playing and idle, as % of one core. Goal: under 1%.
# Usage: bench/run_port_bench.sh BUILD_DIR   (PortBenchTool built in BUILD_DIR/bin; needs jackd)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder holding bin/PortBenchTool}
tool="$build/bin/PortBenchTool"
command -v jackd >/dev/null || { echo "install jackd2" >&2; exit 1; }
[ -x "$tool" ] || { echo "build PortBenchTool first: cmake --build $build --target PortBenchTool" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/scripts/make_midi.py" busy 60 "$work/busy.mid"
for period in 256 1024; do
  "$tool" --period "$period" --baseline 10 --idle "${IDLE_SECONDS:-30}" "$work/busy.mid"
done
