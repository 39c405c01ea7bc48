#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed program from a read-only copy
# of it, on a private session bus, offscreen:
#  - a second start naming a song hands it to the running copy, which plays it (seen on the bus);
#  - quitting through the media controls (as the power button) writes "KORVA.INI" into
#    $XDG_CONFIG_HOME/korva97/, and nothing beside the installed program;
#  - the same executable alone in a writable folder keeps "KORVA.INI" beside itself.
# Usage: install-smoke.sh BUILD_DIR SOURCE_DIR. Exits 77 (skipped) without dbus-run-session.
set -euo pipefail
build=$1
source=$2
for tool in dbus-run-session dbus-send python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (Debian: dbus, python3)"
    exit 77
  fi
done

work=$(mktemp -d)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
for file in bin/korva97 share/korva97/KORVA_GM.MID share/korva97/KORVA_GS.MID share/korva97/KORVA_88.MID \
  share/applications/korva97.desktop share/icons/hicolor/scalable/apps/korva97.svg \
  share/metainfo/org.korva97.korva97.metainfo.xml; do
  [ -f "$work/stage/usr/$file" ] || { echo "FAIL: not installed: $file"; exit 1; }
done
cp -a "$work/stage" "$work/ro"
chmod -R a-w "$work/ro"
python3 "$source/scripts/make_midi.py" busy 30 "$work/song.mid"

export QT_QPA_PLATFORM=offscreen
# What this test looks at is where files go; leaks are the other tests' business.
export ASAN_OPTIONS=detect_leaks=0

# Runs inside a private session bus: starts the program, runs the checks named, quits it over MPRIS.
cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
program=$1
song=${2:-}
name=org.mpris.MediaPlayer2.korva97
call() { dbus-send --session --print-reply --dest=$name /org/mpris/MediaPlayer2 "$@"; }
property() { call org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1"; }
"$program" &
pid=$!
# Whatever fails below, the program does not outlive the check.
trap 'kill $pid 2>/dev/null || true' EXIT
on_bus=false
for _ in $(seq 600); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:$name 2>/dev/null | grep -q "boolean true"; then
    on_bus=true
    break
  fi
  sleep 0.1
done
# A copy of the program already running for this user keeps this one from starting.
$on_bus || { echo "FAIL: the program never came onto the session bus (is another copy running?)"; exit 1; }
if [ -n "$song" ]; then
  # A second start naming a song: it hands the song over and ends at once, quietly.
  timeout 30 "$program" "$song"
  for _ in $(seq 200); do
    property Metadata | grep -q "file://$song" && property PlaybackStatus | grep -q '"Playing"' && break
    sleep 0.1
  done
  property Metadata | grep -q "file://$song" || { echo "FAIL: the running copy does not play $song"; exit 1; }
  echo "the running copy plays the handed-over song"
fi
call org.mpris.MediaPlayer2.Quit >/dev/null
timeout 60 tail --pid=$pid -f /dev/null || { echo "FAIL: the program did not quit"; kill $pid; exit 1; }
wait $pid
SESSION
chmod +x "$work/session.sh"

# Installed: the read-only copy.
export XDG_CONFIG_HOME="$work/config"
dbus-run-session -- "$work/session.sh" "$work/ro/usr/bin/korva97" "$work/song.mid"
grep -q '^\[POS00\]' "$work/config/korva97/KORVA.INI" || { echo "FAIL: no KORVA.INI in the configuration folder"; exit 1; }
if [ -n "$(find "$work/ro" -newer "$work/song.mid" -print -quit)" ]; then
  echo "FAIL: the installed program wrote beside itself"; exit 1
fi
echo "installed: KORVA.INI written to \$XDG_CONFIG_HOME/korva97/"

# Portable: the executable alone in a writable folder.
mkdir "$work/portable"
cp "$work/stage/usr/bin/korva97" "$work/portable/"
export XDG_CONFIG_HOME="$work/config-portable"
dbus-run-session -- "$work/session.sh" "$work/portable/korva97"
grep -q '^\[POS00\]' "$work/portable/KORVA.INI" || { echo "FAIL: no KORVA.INI beside the portable program"; exit 1; }
[ ! -e "$work/config-portable/korva97" ] || { echo "FAIL: the portable program made a configuration folder"; exit 1; }
echo "portable: KORVA.INI written beside the executable"
