#!/usr/bin/env bash
# Auto add of a folder of 10,000 small MIDI files (titles read, list written, list loaded) against a
# floor that only lists the folder and reads the first 256 bytes of each file. CPU time, medians of
# REPEAT (default 9) repetitions, interleaved. Goal: at most 1.5x the floor.
# The songs are made once and kept in BUILD_DIR/autoadd-songs (or SONGS_FOLDER) for later runs:
# making and deleting 10,000 files in every run would leave ext4 scanning past those recently
# deleted inodes whenever a file is made nearby in the next minutes, so that the one list file that
# auto add writes would cost tens of milliseconds more or less by what ran just before.
# Usage: [SONGS_FOLDER=DIR] bench/run_autoadd_bench.sh [BUILD_DIR]   (a Release build holding bin/AutoAddBench)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/bench}
tool="$build/bin/AutoAddBench"
[ -x "$tool" ] || { echo "build it first: cmake --build $build --target AutoAddBench" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
KORVA_AUTOADD_FOLDER=${SONGS_FOLDER:-$build/autoadd-songs} "$tool" --benchmark_repetitions="${REPEAT:-9}" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/result.json" --benchmark_out_format=json >/dev/null
python3 - "$work/result.json" <<'PYTHON'
import json
import sys

runs = json.load(open(sys.argv[1]))["benchmarks"]
cpu = {r["run_name"].split("/")[0]: r["cpu_time"] for r in runs if r.get("aggregate_name") == "median"}
wall = {r["run_name"].split("/")[0]: r["real_time"] for r in runs if r.get("aggregate_name") == "median"}
print(f"auto add of 10,000 songs: CPU {cpu['AutoAdd']:8.1f} ms   wall {wall['AutoAdd']:8.1f} ms")
print(f"floor (list, open, read): CPU {cpu['Floor']:8.1f} ms   wall {wall['Floor']:8.1f} ms")
print(f"CPU ratio:                {cpu['AutoAdd'] / cpu['Floor']:8.2f}   (goal <= 1.50)")
PYTHON
