# Shared by run_program_bench.sh and run_paint_bench.sh: a private PulseAudio daemon whose only sink
# throws the sound away, and a private Xvfb, so that no user's session is touched. Both need $work
# (a temporary folder) and the array helpers, whose processes the script stops at its exit.

# Starts the daemon where pulseaudio is installed. Sets pulse (its process, empty without one) and
# driver: the synthesizer's audio driver, pulseaudio or, without the daemon, the silent output (a
# driver name that FluidSynth does not know leaves only that).
start_private_pulse() {
  pulse=""
  driver=silent
  command -v pulseaudio >/dev/null || return 0
  mkdir -p "$work/pulse"
  HOME="$work" PULSE_RUNTIME_PATH="$work/pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --log-target=file:"$work/pulse.log" \
    -L "module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
    -L "module-null-sink sink_name=bench" -L "module-always-sink" &
  pulse=$!
  helpers+=("$pulse")
  export PULSE_SERVER="unix:$work/pulse/native"
  for _ in $(seq 100); do [ -S "$work/pulse/native" ] && break; sleep 0.05; done
  [ -S "$work/pulse/native" ] || { echo "the PulseAudio daemon did not start:" >&2; cat "$work/pulse.log" >&2; exit 1; }
  driver=pulseaudio
}

# Starts Xvfb on a free display and exports DISPLAY.
start_private_xvfb() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  helpers+=("$!")
  exec 3>&-
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
}
