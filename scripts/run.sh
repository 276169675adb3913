#!/usr/bin/env bash
# Builds Hushwall.exe and starts it under Wine. With a display, the program runs
# there until you close it. Without one, it runs in a virtual display: the
# start-up picture closes, a screenshot of the main window is saved, and the
# program is closed through its own window, as the tests do.
# `--save-picture` also puts the screenshot into docs/ for the README.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

. scripts/windows-build.sh Hushwall helpfile windowtool

# The program keeps its files beside itself: give it a folder of its own.
app=$build/app
mkdir -p "$app"
cp "$build/bin/Hushwall.exe" "$build/bin/Hushwall.chm" "$app/"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    if [ "$arch" = win64 ]; then
        export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
    else
        export WINELOADER=/usr/lib/wine/wine
    fi
    export WINEPREFIX=$root/$build/wineprefix-user WINEARCH=$arch WINEDEBUG=-all
    echo "Starting $app/Hushwall.exe on $DISPLAY"
    exec "$WINELOADER" "$app/Hushwall.exe"
fi

session=$build/run
mkdir -p "$session"
scripts/wine-session.sh start "$session" "$arch"
trap 'scripts/wine-session.sh stop "$session"' EXIT
export HUSHWALL_WINE_SESSION=$session/wine-session.env
HUSHWALL_WINE_TIMEOUT=120 scripts/wine-run.sh "$app/Hushwall.exe" &
runner=$!

shots=$root/build/screenshots
mkdir -p "$shots"
# Wait for the main window, then for the start-up picture to close.
scripts/wine-run.sh "$build/bin/windowtool.exe" wait 'Hushwall!' 60000
sleep 3
# shellcheck disable=SC1091
DISPLAY=$(. "$HUSHWALL_WINE_SESSION" && echo "$DISPLAY") import -window root "$shots/screen.png"
# Nothing else is on the screen: trimming the black around the window leaves the window.
convert "$shots/screen.png" -trim +repage -strip "$shots/main-window.png"
rm -f "$shots/screen.png"
echo "Screenshot of the main window: $shots/main-window.png"
if [ "${1:-}" = --save-picture ]; then
    mkdir -p docs
    cp "$shots/main-window.png" docs/main-window.png
    echo "Saved for the README: docs/main-window.png"
fi

scripts/wine-run.sh "$build/bin/windowtool.exe" close 'Hushwall!' 30000
wait "$runner"
