#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs one of them for a while, keeping its corpus between
# runs; prints how many inputs it ran. A crashing input lands in build/fuzz-artifacts/TARGET/.
# Usage: scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
#        scripts/fuzz.sh --list
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/fuzz"

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVA_FUZZ=ON \
    -DKORVA_TESTS=OFF -DKORVA_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target korva_fuzzers >/dev/null
if [ "${1:-}" = "--list" ]; then
  cat "$build/fuzz/targets.txt"
  exit 0
fi
target=${1:?target (scripts/fuzz.sh --list names them)}
seconds=${2:?seconds}
shift 2
grep -qx "$target" "$build/fuzz/targets.txt" || { echo "no fuzz target $target" >&2; exit 2; }

seeds="$build/seeds"
rm -rf "$seeds" && "$build/fuzz/korva_fuzz_seeds" "$seeds"
corpus="$here/build/fuzz-corpus/$target"
artifacts="$here/build/fuzz-artifacts/$target"
mkdir -p "$corpus" "$artifacts"
options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
case "$target" in
  smf_*) options+=(-dict="$here/fuzz/smf.dict") ;;
esac
# The device keeps its buffers from song to song, which the leak check would take for leaks.
[ "$target" = smf_render ] && options+=(-detect_leaks=0)
log="$artifacts/last-run.log"
set +e
"$build/fuzz/fuzz_$target" "${options[@]}" "$@" "$corpus" "$seeds/$target" 2>&1 | tee "$log" |
  grep -E "^#[0-9]+ +(INITED|DONE)|ERROR|SUMMARY|Test unit written|stat::"
status=${PIPESTATUS[0]}
set -e
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
echo "$target: ${runs:-?} executions in $seconds s, exit status $status, corpus $(ls "$corpus" | wc -l) files"
exit "$status"
