#!/usr/bin/env bash
# Turns the screenshots that the Win32 tests save (build/win32/screenshots/*.bmp)
# into the PNG images of the help pages, so the help builds without Wine.
# Run the main-dialog, key-dialog and notice tests first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
shots=${1:-$root/build/win32/screenshots}
out=$root/help/images
mkdir -p "$out"
# name, and the part of the shot to keep (the pictures of the pages show the page only).
while read -r name crop; do
    [ -f "$shots/$name.bmp" ] || { echo "missing $shots/$name.bmp: run the Win32 tests first" >&2; exit 1; }
    args=()
    [ "$crop" = - ] || args=(-crop "$crop" +repage)
    # No time stamps in the PNG, so an unchanged picture gives an unchanged file.
    convert "$shots/$name.bmp" "${args[@]}" -strip -define png:exclude-chunks=date,time "$out/$name.png"
    echo "$out/$name.png"
done <<'EOT'
main-window -
websites-page 715x255+0+72
schedule-page 715x255+0+72
key-dialog -
notice -
EOT
