#!/usr/bin/env bash
# Starts or stops the headless world the Win32 tests run in: an Xvfb on a display
# of its own, a throwaway Wine prefix inside the build folder and a persistent
# wineserver. `start BUILD ARCH` (ARCH is win32 or win64), `stop BUILD`.
set -euo pipefail

cmd=$1
build=$(cd "$2" && pwd)
env_file=$build/wine-session.env

stop() {
    [ -f "$env_file" ] || return 0
    # shellcheck disable=SC1090
    . "$env_file"
    if [ -n "${WINESERVER_PID:-}" ]; then
        WINEPREFIX=$WINEPREFIX "$WINESERVER" -k 2>/dev/null || true
        kill "$WINESERVER_PID" 2>/dev/null || true
    fi
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -f "$env_file"
}

case $cmd in
stop)
    stop
    ;;
start)
    arch=${3:-win32}
    stop
    if [ "$arch" = win64 ]; then
        loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64
    else
        loader=/usr/lib/wine/wine server=/usr/lib/wine/wineserver32
        [ -x "$server" ] || server=/usr/lib/wine/wineserver
    fi
    prefix=$build/wineprefix

    # Xvfb picks a free display and tells us which.
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r -t 20 display <"$fifo"
    rm -f "$fifo"

    export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINELOADER=$loader WINESERVER=$server
    export WINEDLLOVERRIDES="mscoree,mshtml=d" DISPLAY=:$display
    mkdir -p "$prefix"
    "$server" -f -p >/dev/null 2>&1 &
    server_pid=$!
    if [ ! -f "$prefix/system.reg" ]; then
        timeout 180 "$loader" wineboot -i >/dev/null 2>&1 || true
        # The first boot of a prefix leaves the service manager's start lock
        # taken: StartService then fails with 1055 until the server restarts.
        "$server" -k >/dev/null 2>&1 || true
        wait "$server_pid" 2>/dev/null || true
        "$server" -f -p >/dev/null 2>&1 &
        server_pid=$!
    fi
    # Wine links the user's Desktop and Documents to this machine's home folder;
    # the tests get folders of their own, so that walking them stays small.
    for link in "$prefix"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
            : >"$link/.keep"  # an empty folder would be linked again
        fi
    done
    # No crash dialog to hang a headless run; no window-manager delay on bare Xvfb.
    timeout 60 "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    timeout 60 "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

    cat >"$env_file" <<EOT
WINEPREFIX=$prefix
WINEARCH=$arch
WINELOADER=$loader
WINESERVER=$server
DISPLAY=:$display
XVFB_PID=$xvfb_pid
WINESERVER_PID=$server_pid
EOT
    echo "wine session: display :$display, prefix $prefix ($arch)"
    ;;
*)
    echo "usage: $0 start BUILD [win32|win64] | stop BUILD" >&2
    exit 2
    ;;
esac
