#!/usr/bin/env bash
# Sourced: builds the given targets of the Windows build this machine can run,
# and sets `build` and `arch` for the caller. The shipped build is 32-bit;
# machines that cannot execute 32-bit code get the same sources for x86-64.
if scripts/can-run-32bit.sh; then
    build=build/win32 arch=win32 toolchain=cmake/toolchain-mingw-i686.cmake
else
    build=build/win64 arch=win64 toolchain=cmake/toolchain-mingw-x86_64.cmake
    echo "(this machine cannot execute 32-bit code: using the x86-64 build)"
fi
# The toolchain counts only when a build folder is first configured; naming it
# again makes CMake warn that it was not used.
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" >/dev/null
else
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null
