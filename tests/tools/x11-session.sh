#!/usr/bin/env bash
# Runs a window test in an X server of its own (Xvfb) with a window manager (openbox), for what
# only real frames show: a window manager frames a window after Qt has placed it. Exits 77, which
# CTest counts as skipped, when Xvfb or openbox is not installed. A failed run is repeated once and
# says so: now and then Qt's xcb plugin measures a new frame before the window manager has drawn
# it and keeps that measure, which no program can correct; a fault of the program fails twice.
# Usage: tests/tools/x11-session.sh COMMAND [ARGUMENTS...]
set -u
for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed: skipped"
    exit 77
  fi
done
work=$(mktemp -d)
cleanup() {
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"

# The window manager is ready once it announces itself on the root window.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  cat "$work/openbox.log" >&2
  exit 1
fi

export QT_QPA_PLATFORM=xcb
"$@" && exit 0
echo "x11-session: the run failed; running it once more"
"$@"
