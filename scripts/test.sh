#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test,
# then runs each fuzz target briefly.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/test"
"$here/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=Debug -DKORVA_SANITIZE=ON
# The program's own sources must build without a warning in a release build, where the optimiser
# finds more than a debug build shows.
cmake -S "$here" -B "$here/build/release-check" -DCMAKE_BUILD_TYPE=Release -DKORVA_TESTS=OFF \
  -DKORVA_BENCH=OFF -DKORVA_WERROR=ON
cmake --build "$here/build/release-check" -j"$(nproc)" --target korva
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 300)
# A short run of every fuzz target over its seeds (clang and libFuzzer, a build folder of its own).
"$here/scripts/fuzz-smoke.sh" "$here/build/fuzz-smoke"
