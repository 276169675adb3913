#!/usr/bin/env bash
# Runs every test: native (plain and with ASan+UBSan), the fuzzer for a bounded
# time, the Win32 tests under Wine in a headless Xvfb, and builds and checks the
# release packages. Exit code 0 only when all passed.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${HUSHWALL_JOBS:-$(nproc)}
fuzz_seconds=${HUSHWALL_FUZZ_SECONDS:-30}

bash scripts/setup.sh || { echo "setup failed"; exit 1; }

failed=()
step() {  # step NAME COMMAND...
    local name=$1
    shift
    echo
    echo "=== $name"
    local start=$SECONDS
    if "$@"; then
        echo "=== $name: passed ($((SECONDS - start)) s)"
    else
        echo "=== $name: FAILED ($((SECONDS - start)) s)"
        failed+=("$name")
    fi
}

build() {  # build DIR CMAKE-ARGS...   (BUILD_TYPE=... to change the type)
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j"$jobs" 2>&1 | grep -E 'error|warning:|Error' ; test "${PIPESTATUS[0]}" -eq 0
}

native() {
    build build/native && ctest --test-dir build/native -j"$jobs" --output-on-failure
}

# Unoptimised: the sanitizers catch the same faults, and the build takes half the time.
sanitized() {
    BUILD_TYPE=Debug build build/asan -DHUSHWALL_SANITIZE=ON -DHUSHWALL_BENCH=OFF &&
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            ctest --test-dir build/asan -j"$jobs" --output-on-failure
}

fuzz() {
    CC=clang CXX=clang++ build build/fuzz -DHUSHWALL_FUZZ=ON || return 1
    local target status=0
    for target in build/fuzz/fuzz_*; do
        [ -x "$target" ] || continue
        local corpus=build/fuzz/corpus-$(basename "$target")
        mkdir -p "$corpus"
        cp tests/fuzz/seeds/* "$corpus"/ 2>/dev/null || true
        echo "$(basename "$target"): ${fuzz_seconds} s"
        "$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" \
            >"$target.log" 2>&1 || { tail -40 "$target.log"; status=1; }
        grep -E '^Done|stat::number_of_executed_units' "$target.log" | head -2
    done
    return $status
}

# Both Windows targets are built on every machine, so that neither breaks
# unseen: i686 (what we ship, with the x86-64 filter service beside it) and
# x86-64. The Win32 tests run under the Wine this machine can execute: the
# shipped i686 build where 32-bit code runs, else the x86-64 build under 64-bit
# Wine. The other build is built after them, with its static checks (machine,
# subsystem, DLLs, packages); HUSHWALL_WINE_BOTH=1 then runs its Wine tests
# too, where both Wines run.
if scripts/can-run-32bit.sh; then
    wine_build=build/win32 wine_toolchain=i686 other_build=build/win64 other_toolchain=x86_64
else
    wine_build=build/win64 wine_toolchain=x86_64 other_build=build/win32 other_toolchain=i686
fi

wine_target_build() {
    echo "The Win32 tests run on $wine_build under $([ "$wine_toolchain" = i686 ] && echo 32 || echo 64)-bit Wine."
    build "$wine_build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$wine_toolchain.cmake"
}

wine_tests() {
    ctest --test-dir "$wine_build" --output-on-failure
}

other_target() {
    build "$other_build" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$other_toolchain.cmake" &&
        ctest --test-dir "$other_build" -L static --output-on-failure
}

# What we ship: the release build, the help file, the setup, the portable zip
# and their checksums in dist/, with the checks of the zip and the help file.
package() {
    HUSHWALL_JOBS=$jobs bash scripts/package.sh
}

mkdir -p build
step "native tests" native
step "native tests with ASan and UBSan" sanitized
step "the Windows build the Win32 tests run on ($wine_build)" wine_target_build
if [[ " ${failed[*]} " == *" Windows build "* ]]; then
    failed+=("Win32 tests (not run)")
else
    step "Win32 tests under Wine" wine_tests
fi
step "the other Windows build ($other_build) and its static checks" other_target
step "fuzzing the list file, schedule file and pipe message readers" fuzz
step "release packages in dist/" package
if [ "${HUSHWALL_WINE_BOTH:-0}" = 1 ] && scripts/can-run-32bit.sh && [ ${#failed[@]} -eq 0 ]; then
    step "Win32 tests under 64-bit Wine too" ctest --test-dir build/win64 --output-on-failure
fi

echo
if [ ${#failed[@]} -eq 0 ]; then
    echo "All test steps passed in $SECONDS s."
    exit 0
fi
echo "Failed steps: ${failed[*]}"
exit 1
