#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass the freedesktop validators.
# Usage: validate-desktop.sh SOURCE_DIR. Exits 77 (skipped) when a validator is not installed.
set -euo pipefail
folder="$1/data/desktop"
for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (Debian: desktop-file-utils, appstream)"
    exit 77
  fi
done
desktop-file-validate "$folder/korva97.desktop"
appstreamcli validate --no-net --pedantic "$folder/org.korva97.korva97.metainfo.xml"
grep -qx 'Exec=korva97 %F' "$folder/korva97.desktop"
grep -qx 'MimeType=audio/midi;audio/x-midi;' "$folder/korva97.desktop"
# The icon is well-formed SVG.
python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
  "$folder/korva97.svg"
echo "desktop entry, metainfo and icon are valid"
