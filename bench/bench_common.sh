# Shared by run_playlist_bench.sh and run_queue_bench.sh. Sets tools (the folder of the tools),
# lines, repeat and work (a temporary folder, removed at exit) from the script's arguments:
# [TOOLS_FOLDER] [LINES], and REPEAT from the environment.
cd "$(dirname "$0")/.."
tools=""
for candidate in "${1:-}" build/bench/bin build/release/bin build/dev/bin; do
  if [ -n "$candidate" ] && [ -x "$candidate/PlaylistBenchTool" ] && [ -x "$candidate/MakeBenchPlaylist" ]; then
    tools=$candidate
    break
  fi
done
if [ -z "$tools" ]; then
  echo "Build the tools first (cmake --build BUILD --target MakeBenchPlaylist PlaylistBenchTool) and pass BUILD/bin." >&2
  exit 1
fi
lines=${2:-100000}
repeat=${REPEAT:-15}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The C locale compares bytes, as the playlist order does; sort may use every processor.
export LC_ALL=C

# Prints one comparison line from "wall cpu" pairs: the times and their ratios, and the goal for
# the ratio when one is given.
compare() {
  local label=$1 ours=$2 yardstick=$3 theirs=$4 goal=${5:-}
  awk -v l="$label" -v y="$yardstick" -v o="$ours" -v t="$theirs" -v g="$goal" 'BEGIN {
    split(o, a, " "); split(t, b, " ");
    printf "%-23s wall %6.1f ms  %-10s %6.1f ms  ratio %.2f | CPU %6.1f ms / %6.1f ms  ratio %.2f%s\n",
      l, a[1], y, b[1], a[1] / b[1], a[2], b[2], a[2] / b[2], g == "" ? "" : "  (goal <= " g ")" }'
}
