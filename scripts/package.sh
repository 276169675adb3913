#!/usr/bin/env bash
# Builds what we ship into dist/: the release build of the 32-bit executables
# (size-optimised, stripped), the help file, Hushwall-<version>-setup.exe,
# Hushwall-<version>-portable.zip and SHA256SUMS; then checks the zip and the
# help file. The same is the CMake target `dist` of any Windows build.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
jobs=${HUSHWALL_JOBS:-$(nproc)}
build=build/release

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DHUSHWALL_DIST_DIR="$root/dist" >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j"$jobs" --target dist >"$build.build.log" 2>&1 ||
    { grep -E 'error|Error' "$build.build.log" || tail -30 "$build.build.log"; exit 1; }
ctest --test-dir "$build" -L static --output-on-failure >"$build.check.log" 2>&1 ||
    { cat "$build.check.log"; exit 1; }
tail -1 "$build.check.log"
ls -l dist/
