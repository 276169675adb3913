#!/usr/bin/env bash
# Prints the figures: native Google Benchmark runs and the sweep timing under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j"$(nproc)" --target hushwall_bench >/dev/null
build/bench/hushwall_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

if scripts/can-run-32bit.sh; then
    build=build/win32 toolchain=cmake/toolchain-mingw-i686.cmake arch=win32
else
    build=build/win64 toolchain=cmake/toolchain-mingw-x86_64.cmake arch=win64
    echo "(this machine cannot execute 32-bit code: timing the x86-64 build)"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target sweep_timing >/dev/null
session=$build/bench
mkdir -p "$session"
scripts/wine-session.sh start "$session" "$arch"
trap 'scripts/wine-session.sh stop "$session"' EXIT
HUSHWALL_WINE_SESSION=$session/wine-session.env scripts/wine-run.sh "$build/bin/sweep_timing.exe" "${1:-50}"
