#!/usr/bin/env bash
# Prints the figures.
#   scripts/bench.sh [sweep]           native Google Benchmark runs and the sweep timing under Wine
#   scripts/bench.sh session [BIN...]  a running session's CPU (its own and the Wine server's) beside
#                                      a `taskkill /F /IM` loop every 800 ms, and the kill latency;
#                                      each BIN is the bin folder of another build of Hushwall.exe
#                                      (say, an older one) measured in the same run
#   scripts/bench.sh waiting           Hushwall started at log-on, waiting behind its icon for a
#                                      block half a day ahead: its CPU and the Wine server's;
#                                      with BENCH_SERVICE=1 the filter service (its recording
#                                      build) keeps the schedule too, and its CPU is measured
#   scripts/bench.sh discovery [BIN...]  shortcut discovery over a tree of 14,500 empty folders
#   scripts/bench.sh filter [BIN...]   "Hushwall NOW!" with 200 websites behind a name server that
#                                      answers after 2 s, up to the start code at the filter service
#                                      (its recording build), and how long a blocked program started
#                                      meanwhile lives; each BIN is another build's bin folder
# Environment: BENCH_IDLE (background processes, 50), BENCH_WINDOW (seconds per CPU
# window, 30), BENCH_ROUNDS (CPU rounds, 2), BENCH_RUNS (latency samples, 60),
# BENCH_FOLDERS (discovery folders, 14500), BENCH_SITES (filter websites, 200), BENCH_SESSIONS
# (filter sessions per build, 3), BENCH_DNS_DELAY (seconds, 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mode=${1:-sweep}
[ $# -gt 0 ] && shift

# A Wine session of its own in $work; sets `run` to start Windows programs in it.
start_wine() {
    work=$1
    rm -rf "$work"
    mkdir -p "$work"
    scripts/wine-session.sh start "$work" "$arch"
    trap 'scripts/wine-session.sh stop "$work"' EXIT
    set -a
    # shellcheck disable=SC1091
    . "$work/wine-session.env"
    set +a
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
}
run() { HUSHWALL_WINE_SESSION=$work/wine-session.env scripts/wine-run.sh "$@"; }
# Wine maps the Unix root to Z:.
win() { local p=${1//\//\\}; echo "Z:$p"; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
# The Linux process of a Wine program: Wine names it after the executable.
linux_pid() {
    local name=$1 folder=$2 p
    for p in /proc/[0-9]*; do
        [ "$(cat "$p/comm" 2>/dev/null)" = "$name" ] || continue
        tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -q "$folder" && { echo "${p#/proc/}"; return 0; }
    done
    return 1
}
percent() { awk -v t="$1" -v w="$2" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / (w * hz) }'; }

bench_sweep() {
    bash scripts/setup.sh
    cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/bench -j"$(nproc)" --target hushwall_bench >/dev/null
    build/bench/hushwall_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

    . scripts/windows-build.sh sweep_timing
    start_wine "$root/$build/bench"
    run "$build/bin/sweep_timing.exe" "${1:-50}"
}

bench_waiting() {
    . scripts/windows-build.sh Hushwall session_bench HushwallFilterTest
    local bin=$root/$build/bin window=${BENCH_WINDOW:-60} hw="" service=""
    hz=$(getconf CLK_TCK)
    start_wine "$root/build/bench-waiting"
    local server=$WINESERVER_PID
    mkdir -p "$work/waiting"
    cp "$bin/Hushwall.exe" "$work/waiting/"
    run "$bin/session_bench.exe" schedule "$(win "$work/waiting")"
    if [ "${BENCH_SERVICE:-0}" = 1 ]; then
        run "$bin/HushwallFilterTest.exe" --install "$(win "$work/waiting/Hushwall.exe")" >/dev/null
        # Linux keeps 15 letters of a process's name.
        for _ in $(seq 100); do
            service=$(linux_pid HushwallFilterT "HushwallFilterTest.exe") && break
            sleep 0.1
        done
        [ -n "$service" ] || { echo "the filter service did not start" >&2; exit 1; }
    fi
    run "$work/waiting/Hushwall.exe" /schedule >/dev/null 2>&1 &
    for _ in $(seq 100); do
        hw=$(linux_pid Hushwall.exe "waiting[\\/]Hushwall.exe") && break
        sleep 0.1
    done
    [ -n "$hw" ] || { echo "Hushwall.exe did not start" >&2; exit 1; }
    sleep 6  # past the start-up picture
    local s0 s1 o0 o1 f0=0 f1=0
    s0=$(ticks "$server")
    o0=$(ticks "$hw")
    [ -z "$service" ] || f0=$(ticks "$service")
    sleep "$window"
    s1=$(ticks "$server")
    o1=$(ticks "$hw")
    [ -z "$service" ] || f1=$(ticks "$service")
    echo "waiting for a block, over $window s: Hushwall.exe $(percent $((o1 - o0)) "$window")% CPU" \
        "($((o1 - o0)) ticks), Wine server $(percent $((s1 - s0)) "$window")% ($((s1 - s0)) ticks)"
    [ -z "$service" ] ||
        echo "  the filter service keeping the schedule: $(percent $((f1 - f0)) "$window")% ($((f1 - f0)) ticks)"
    kill "$hw" 2>/dev/null || true
    [ -z "$service" ] || run "$bin/HushwallFilterTest.exe" --uninstall >/dev/null
    run "$bin/session_bench.exe" forget
}

bench_session() {
    . scripts/windows-build.sh Hushwall sleeper session_bench
    local bin=$root/$build/bin idle=${BENCH_IDLE:-50} window=${BENCH_WINDOW:-30}
    local rounds=${BENCH_ROUNDS:-2} runs=${BENCH_RUNS:-60}
    hz=$(getconf CLK_TCK)
    start_wine "$root/build/bench-session"
    local server=$WINESERVER_PID
    mkdir -p "$work/blocked"
    cp "$bin/sleeper.exe" "$work/blocked/blocked.exe"
    local blocked
    blocked=$(win "$work/blocked/blocked.exe")

    # The builds to compare: this one, then each one given.
    local names=(this) bins=("$bin") i=0
    for b in "$@"; do
        i=$((i + 1))
        names+=("other$i")
        bins+=("$(cd "$b" && pwd)")
    done
    for i in "${!names[@]}"; do
        mkdir -p "$work/${names[$i]}"
        cp "${bins[$i]}/Hushwall.exe" "$work/${names[$i]}/"
        echo "build ${names[$i]}: ${bins[$i]}/Hushwall.exe"
    done

    for _ in $(seq "$idle"); do
        run "$bin/session_bench.exe" idle &
    done
    sleep 5
    echo "background: $idle idle processes; load average $(load); $(nproc) cores"

    # CPU ticks of the Wine server and of one program over one window.
    local hw=""
    measure() {
        local label=$1 own_pid=${2:-} s0 s1 o0=0 o1=0
        s0=$(ticks "$server")
        [ -n "$own_pid" ] && o0=$(ticks "$own_pid")
        sleep "$window"
        s1=$(ticks "$server")
        [ -n "$own_pid" ] && o1=$(ticks "$own_pid")
        echo "$label $((o1 - o0)) $((s1 - s0))"
    }
    start_session() {
        run "$session_bench" prepare "$(win "$work/$1")" "$blocked"
        run "$work/$1/Hushwall.exe" >/dev/null 2>&1 &
        hw=""
        for _ in $(seq 100); do
            hw=$(linux_pid Hushwall.exe "$1[\\/]Hushwall.exe") && break
            sleep 0.1
        done
        [ -n "$hw" ] || { echo "Hushwall.exe of $1 did not start" >&2; exit 1; }
        sleep 4  # past the start-up picture, the session resumed
    }
    stop_session() {
        kill "$hw" 2>/dev/null || true
        sleep 1
        run "$session_bench" forget
    }
    local session_bench=$bin/session_bench.exe
    local results=$work/cpu.txt
    : >"$results"
    for round in $(seq "$rounds"); do
        echo "round $round: load average $(load)"
        measure baseline >>"$results"
        for name in "${names[@]}"; do
            start_session "$name"
            measure "$name" "$hw" >>"$results"
            stop_session
        done
        # The loop a user could script instead; its children's CPU is counted when they end.
        rm -f "$work/stop"
        (
            next=$(date +%s%N)
            while [ ! -e "$work/stop" ]; do
                "$WINELOADER" taskkill /F /IM blocked.exe >/dev/null 2>&1 || true
                next=$((next + 800000000))
                wait_ns=$((next - $(date +%s%N)))
                [ "$wait_ns" -gt 0 ] && sleep "$(printf '0.%09d' "$wait_ns")"
            done
            awk '{print $16 + $17}' "/proc/$BASHPID/stat" >"$work/loop.ticks"
        ) &
        local loop=$!
        local s0 s1
        s0=$(ticks "$server")
        sleep "$window"
        s1=$(ticks "$server")
        touch "$work/stop"
        wait "$loop"
        echo "taskkill-loop $(cat "$work/loop.ticks") $((s1 - s0))" >>"$results"
    done
    echo "load average after the CPU windows: $(load)"

    echo
    echo "CPU over ${window} s windows, ${rounds} rounds, % of one core (own + Wine server = total;"
    echo "net = total minus the idle baseline's Wine server):"
    awk -v w="$window" -v hz="$hz" '
        { own[$1] += $2; srv[$1] += $3; n[$1]++; if (!($1 in seen)) { seen[$1] = 1; order[++k] = $1 } }
        END {
            base = srv["baseline"] / n["baseline"]
            for (i = 1; i <= k; i++) {
                l = order[i]; o = own[l] / n[l]; s = srv[l] / n[l]
                net[l] = o + s - base
                printf "  %-14s own %6.2f  wine server %6.2f  total %6.2f  net %6.2f\n", l,
                    100 * o / (w * hz), 100 * s / (w * hz), 100 * (o + s) / (w * hz), 100 * net[l] / (w * hz)
            }
            for (i = 1; i <= k; i++) {
                l = order[i]
                if (l == "baseline" || l == "taskkill-loop") continue
                if (net[l] > 0)
                    printf "  taskkill loop / %s (net): %.1f times\n", l, net["taskkill-loop"] / net[l]
                else
                    printf "  taskkill loop / %s (net): %s costs nothing measurable\n", l, l
            }
        }' "$results"

    echo
    for name in "${names[@]}"; do
        start_session "$name"
        echo "kill latency, build $name ($runs starts of the blocked program, load $(load)):"
        run "$session_bench" latency "$blocked" "$runs"
        stop_session
    done
}

bench_discovery() {
    . scripts/windows-build.sh discovery_timing Hushwall session_bench
    local bin=$root/$build/bin folders=${BENCH_FOLDERS:-14500} rounds=${BENCH_ROUNDS:-2}
    start_wine "$root/build/bench-discovery"
    # The folders go under the test prefix's own Desktop, which discovery walks.
    local desktop
    desktop=$(ls -d "$WINEPREFIX"/drive_c/users/*/Desktop | grep -v Public | head -1)
    echo "making $folders empty folders under $desktop"
    (cd "$desktop" && seq -f 'f%05g' 1 "$folders" | xargs mkdir -p)
    local dirs=() i=0
    for b in "$bin" "$@"; do
        dirs+=("$(cd "$b" && pwd)")
    done
    for round in $(seq "$rounds"); do
        for dir in "${dirs[@]}"; do
            echo "round $round, $dir (load $(load)):"
            run "$dir/discovery_timing.exe"
            # The first start of the program itself: no lists, so it discovers.
            i=$((i + 1))
            mkdir -p "$work/first$i"
            cp "$dir/Hushwall.exe" "$work/first$i/"
            run "$bin/session_bench.exe" firststart "$(win "$work/first$i/Hushwall.exe")"
        done
    done
}

bench_filter() {
    # The names need a server of their own: a private mount namespace points the resolver,
    # which Wine uses, at tests/e2e/slow_dns.py on loopback.
    if [ -z "${HUSHWALL_PRIVATE_NAMES:-}" ]; then
        HUSHWALL_DNS_DELAY=${BENCH_DNS_DELAY:-2} exec tests/e2e/private-names.sh "$root/scripts/bench.sh" filter "$@"
    fi
    . scripts/windows-build.sh filter_timing
    start_wine "$root/$build/bench-filter"
    local bin=$root/$build/bin b
    for b in "$bin" "$@"; do
        b=$(cd "$b" && pwd)
        echo "build: $b/Hushwall.exe, ${BENCH_SITES:-200} websites, answers after ${BENCH_DNS_DELAY:-2} s (load $(load))"
        HUSHWALL_WINE_TIMEOUT=3600 run "$bin/filter_timing.exe" "${BENCH_SESSIONS:-3}" "${BENCH_SITES:-200}" \
            "$(win "$b/Hushwall.exe")"
    done
}

case $mode in
sweep) bench_sweep "$@" ;;
session) bench_session "$@" ;;
waiting) bench_waiting "$@" ;;
discovery) bench_discovery "$@" ;;
filter) bench_filter "$@" ;;
*)
    sed -n '2,16p' "$0" >&2
    exit 2
    ;;
esac
