# Shared by the run_*_bench.sh scripts: finding the tools and comparing them with standard tools.

# The folder holding the benchmark tools: the argument, else the usual build folders.
find_tools() {
  local candidate
  for candidate in "$@" build/bench/bin build/release/bin build/dev/bin; do
    [ -n "$candidate" ] && [ -x "$candidate/BuildQueueTool" ] && [ -x "$candidate/LoadPlaylistTool" ] &&
      { echo "$candidate"; return; }
  done
  echo "Build the tools first (cmake --build BUILD --target MakeBenchPlaylist LoadPlaylistTool BuildQueueTool)" \
    "and pass BUILD/bin." >&2
  return 1
}

# Prints one comparison line from "wall cpu" pairs: the times and their ratios.
compare() {
  local label=$1 ours=$2 yardstick=$3 theirs=$4
  awk -v l="$label" -v y="$yardstick" -v o="$ours" -v t="$theirs" 'BEGIN {
    split(o, a, " "); split(t, b, " ");
    printf "%-19s wall %6.1f ms  %-8s %6.1f ms  ratio %.2f | CPU %6.1f ms / %6.1f ms  ratio %.2f  (goal <= 1.50)\n",
      l, a[1], y, b[1], a[1] / b[1], a[2], b[2], a[2] / b[2] }'
}
