#!/usr/bin/env bash
# Builds the fuzz targets with clang into their own folder and runs each for a fixed number of
# inputs, starting from its seed corpus: a crash, a leak or a failed check fails the script.
# Usage: scripts/fuzz-smoke.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build/fuzz-smoke"}

# An unoptimised build compiles quickest, and the runs are short.
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKORVA_FUZZ=ON \
  -DKORVA_TESTS=OFF -DKORVA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target korva_fuzzers >/dev/null

seeds="$build/seeds"
rm -rf "$seeds" && "$build/fuzz/korva_fuzz_seeds" "$seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
while read -r target; do
  runs=20000
  options=()
  case "$target" in
    # The device keeps its buffers from song to song, which the leak check would take for leaks.
    smf_render) runs=1500 options+=(-detect_leaks=0) ;;
  esac
  case "$target" in
    smf_*) options+=(-dict="$here/fuzz/smf.dict") ;;
  esac
  # New inputs go to a scratch corpus, so the seeds stay as generated; -seed keeps runs repeatable.
  mkdir -p "$work/$target"
  start=$SECONDS
  if ! "$build/fuzz/fuzz_$target" -runs="$runs" -seed=1 -max_total_time=60 -artifact_prefix="$work/" \
    "${options[@]}" "$work/$target" "$seeds/$target" >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    echo "fuzz smoke: $target failed" >&2
    exit 1
  fi
  echo "fuzz smoke: $target, $runs inputs, $((SECONDS - start)) s"
done <"$build/fuzz/targets.txt"
