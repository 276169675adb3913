#!/usr/bin/env bash
# Runs a Windows program in the build's Wine session; ctest uses it as the emulator.
# The session is found beside the program or given in HUSHWALL_WINE_SESSION.
# A hung program is ended after HUSHWALL_WINE_TIMEOUT seconds (default 300).
set -euo pipefail

exe=$1
shift
dir=$(cd "$(dirname "$exe")" && pwd)
env_file=${HUSHWALL_WINE_SESSION:-}
[ -n "$env_file" ] || for d in "$dir" "$dir/.." "$dir/../.."; do
    [ -f "$d/wine-session.env" ] && env_file=$d/wine-session.env && break
done
if [ -z "$env_file" ]; then
    echo "wine-run: no wine session for $exe; start one with scripts/wine-session.sh start BUILD" >&2
    exit 2
fi
set -a
# shellcheck disable=SC1090
. "$env_file"
set +a
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
exec timeout -k 5 "${HUSHWALL_WINE_TIMEOUT:-300}" "$WINELOADER" "$exe" "$@"
