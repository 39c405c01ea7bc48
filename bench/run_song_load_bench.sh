#!/usr/bin/env bash
# Large songs: for songs of 1, 16 and 64 MB of two-byte events, the time from the device's Open to
# the first audible block, the peak memory the read and the ordered song took (VmHWM above what the
# process held before, and as a multiple of the file's size) and the longest the user-interface
# thread stood still while the song was read. The last row reads the 64 MB song as a program without
# a UI waiter would, for comparison. Each row is a process of its own, so that its peak is its own.
# Usage: bench/run_song_load_bench.sh [BUILD_DIR]   (a Release build holding bin/SongLoadTool)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/bench}
tool="$build/bin/SongLoadTool"
[ -x "$tool" ] || { echo "build it first: cmake --build $build --target SongLoadTool" >&2; exit 1; }
for megabytes in 1 16 64; do
  "$tool" "$megabytes"
done
"$tool" --plain 64 | sed 's/$/  (no UI waiter)/'
