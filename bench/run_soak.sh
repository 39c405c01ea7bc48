#!/usr/bin/env bash
# Plays 10,000 songs through the whole core and the real synthesizer in virtual time (list 0, list
# order, cycling, the GM reset before every song), sampling the resident memory every 500 songs.
# Passes when every song ended with its notice and memory stayed flat after the first sample.
# Usage: bench/run_soak.sh BUILD_DIR [SONGS [SAMPLE_EVERY]]   (with SoakTool built in BUILD_DIR/bin)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder holding bin/SoakTool}
tool="$build/bin/SoakTool"
[ -x "$tool" ] || { echo "build SoakTool first: cmake --build $build --target SoakTool" >&2; exit 1; }
start=$SECONDS
"$tool" /usr/share/sounds/sf2/TimGM6mb.sf2 "$here/data/KORVA_GM.MID" "${2:-10000}" "${3:-500}"
echo "soak took $((SECONDS - start)) s"
