#!/usr/bin/env bash
# Sets everything up and starts the player. Extra arguments go to the player
# (the folders of KORVA.DT0 and KORVA.DT1, or songs to play).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build/release" -DCMAKE_BUILD_TYPE=Release -DKORVA_TESTS=OFF -DKORVA_BENCH=OFF
# A first run (no settings and no playlists in the program's folder) gets a demo list to play.
python3 "$here/scripts/make_demo.py" "$here/build/release/korva"
exec "$here/build/release/korva/korva" "$@"
