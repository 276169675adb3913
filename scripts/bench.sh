#!/usr/bin/env bash
# Prints the figures: native Google Benchmark runs and the sweep timing under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j"$(nproc)" --target hushwall_bench >/dev/null
build/bench/hushwall_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

. scripts/windows-build.sh sweep_timing
session=$build/bench
mkdir -p "$session"
scripts/wine-session.sh start "$session" "$arch"
trap 'scripts/wine-session.sh stop "$session"' EXIT
HUSHWALL_WINE_SESSION=$session/wine-session.env scripts/wine-run.sh "$build/bin/sweep_timing.exe" "${1:-50}"
