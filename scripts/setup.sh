#!/usr/bin/env bash
# Installs what the build needs (Debian 12, only what is missing), then configures and builds.
# Usage: scripts/setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
buildDir=${1:?build folder}
shift

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libfluidsynth-dev libicu-dev timgm6mb-soundfont
  librtmidi-dev jackd2 libjack-jackd2-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth openbox x11-utils xdotool
  python3 dbus desktop-file-utils appstream dpkg-dev file libxcb1-dev
  pulseaudio pulseaudio-utils
  clang libclang-rt-14-dev libfuzzer-14-dev
)
# The fluidsynth command-line tool is only a yardstick for a benchmark; its recommends pull a
# 120 MB SoundFont, so it is installed apart without them.
plainPackages=(fluidsynth)

missing=()
for p in "${packages[@]}" "${plainPackages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$buildDir" "$@"
cmake --build "$buildDir" -j"$(nproc)"
