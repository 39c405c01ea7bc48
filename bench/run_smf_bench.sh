#!/usr/bin/env bash
# What our SMF reader adds to the time from opening a song to its first sound, on a busy 1 MB file
# of 16 tracks, the SoundFont loaded already: the device's path (file, reader, the song put in time
# order and fed to the synthesizer) against FluidSynth's own MIDI player opening the same file as
# it is. Goal: at most 10% added (a figure below 0 means the device is the quicker).
# Medians of REPEAT (default 9) repetitions, the benchmarks interleaved.
# Usage: bench/run_smf_bench.sh [BUILD_DIR]   (a Release build holding bin/SmfReaderBench)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/bench}
tool="$build/bin/SmfReaderBench"
[ -x "$tool" ] || { echo "build it first: cmake --build $build --target SmfReaderBench" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" --benchmark_repetitions="${REPEAT:-9}" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/result.json" --benchmark_out_format=json >/dev/null
python3 - "$work/result.json" <<'PYTHON'
import json
import sys

runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {r["run_name"]: r["real_time"] for r in runs if r.get("aggregate_name") == "median"}
read = median["ReadOnly"]
reader = median["ReadAndWrite"]
sequenced = median["ReadAndSequence"]
raw = median["OpenToFirstSound/raw"]
written = median["OpenToFirstSound/written"]
device = median["OpenToFirstSound/device"]
print(f"read the song (reader alone):             {read:7.2f} ms")
print(f"read and write it (reader and writer):    {reader:7.2f} ms")
print(f"read it and put it in time order:         {sequenced:7.2f} ms")
print(f"open to first sound, the file as it is:   {raw:7.2f} ms")
print(f"open to first sound, the written file:    {written:7.2f} ms")
print(f"open to first sound, through the device:  {device:7.2f} ms")
print(f"reading and ordering / player alone:       {sequenced / raw:7.1%}")
print(f"added to open to first sound:             {device / raw - 1:7.1%}  (goal <= 10%)")
PYTHON
