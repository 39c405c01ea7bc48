# Shared by the run_*_bench.sh scripts: finding the tools and timing whole processes.

# The folder holding the benchmark tools: the argument, else the usual build folders.
find_tools() {
  local candidate
  for candidate in "$@" build/bench/bin build/release/bin build/dev/bin; do
    [ -n "$candidate" ] && [ -x "$candidate/LoadPlaylistTool" ] && { echo "$candidate"; return; }
  done
  echo "Build the benchmark tools first (cmake --build BUILD --target MakeBenchPlaylist LoadPlaylistTool BuildQueueTool) and pass BUILD/bin." >&2
  return 1
}

# Median wall time in milliseconds of REPEAT runs of a command, its output thrown away.
median_ms() {
  local times=() i start end
  for ((i = 0; i < REPEAT; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}

# Prints one comparison line: label, our time, the yardstick's time, their ratio.
compare() {
  local label=$1 ours=$2 theirs=$3 yardstick=$4
  awk -v l="$label" -v o="$ours" -v t="$theirs" -v y="$yardstick" \
    'BEGIN {printf "%-28s %8.1f ms   %-10s %8.1f ms   ratio %.2f (goal <= 1.50)\n", l, o, y, t, o / t}'
}
