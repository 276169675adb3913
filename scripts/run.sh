#!/usr/bin/env bash
# Builds Hushwall.exe and starts it under Wine. With a display, the program runs
# there until you close it. Without one, it runs in a virtual display: the
# start-up picture closes, a screenshot of the main window is saved, and the
# program is closed again.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

. scripts/windows-build.sh Hushwall

# The program keeps its files beside itself: give it a folder of its own.
app=$build/app
mkdir -p "$app"
cp "$build/bin/Hushwall.exe" "$app/"

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
# shellcheck disable=SC1091
. "$session/wine-session.env"
export DISPLAY
HUSHWALL_WINE_SESSION=$session/wine-session.env scripts/wine-run.sh "$app/Hushwall.exe" &
runner=$!

shots=$root/build/screenshots
mkdir -p "$shots"
# Wait for the main window, then for the start-up picture to close.
for _ in $(seq 1 100); do
    xdotool search --name '^Hushwall!$' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 3
import -window root "$shots/main-window.png"
echo "Screenshot of the main window: $shots/main-window.png"

window=$(xdotool search --name '^Hushwall!$' | head -1 || true)
[ -n "$window" ] && xdotool key --window "$window" Escape
wait "$runner" || true
