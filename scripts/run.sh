#!/usr/bin/env bash
# Sets everything up and starts the player. Extra arguments go to the player
# (the folders of KORVA.DT0 and KORVA.DT1).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build/release" -DCMAKE_BUILD_TYPE=Release -DKORVA_TESTS=OFF -DKORVA_BENCH=OFF
exec "$here/build/release/korva/korva" "$@"
