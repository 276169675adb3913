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

build() {  # build DIR CMAKE-ARGS...
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j"$jobs" 2>&1 | grep -E 'error|warning:|Error' ; test "${PIPESTATUS[0]}" -eq 0
}

native() {
    build build/native && ctest --test-dir build/native -j"$jobs" --output-on-failure
}

sanitized() {
    build build/asan -DHUSHWALL_SANITIZE=ON -DHUSHWALL_BENCH=OFF &&
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
# Wine; HUSHWALL_WINE_BOTH=1 runs them on both where both run. The other
# build's static checks (machine, subsystem, DLLs, packages) run either way.
windows_builds() {
    build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake &&
        build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
}

wine_tests() {
    local run=build/win32 other=build/win64
    if scripts/can-run-32bit.sh; then
        echo "32-bit code runs here: the Win32 tests run on the shipped i686 build."
    else
        echo "This machine cannot execute 32-bit code: the Win32 tests run on the x86-64 build under 64-bit Wine."
        run=build/win64 other=build/win32
    fi
    if [ "${HUSHWALL_WINE_BOTH:-0}" = 1 ] && [ "$run" = build/win32 ]; then
        ctest --test-dir build/win64 --output-on-failure || return 1
    else
        ctest --test-dir "$other" -L static --output-on-failure || return 1
    fi
    ctest --test-dir "$run" --output-on-failure
}

# What we ship: the release build, the help file, the setup, the portable zip
# and their checksums in dist/, with the checks of the zip and the help file.
package() {
    HUSHWALL_JOBS=$jobs bash scripts/package.sh
}

mkdir -p build
step "native tests" native
step "native tests with ASan and UBSan" sanitized
step "fuzzing the list file, schedule file and pipe message readers" fuzz
step "Windows builds, i686 and x86-64" windows_builds
if [[ " ${failed[*]} " == *" Windows builds"* ]]; then
    failed+=("Win32 tests (not run)")
else
    step "Win32 tests under Wine" wine_tests
fi
step "release packages in dist/" package

echo
if [ ${#failed[@]} -eq 0 ]; then
    echo "All test steps passed in $SECONDS s."
    exit 0
fi
echo "Failed steps: ${failed[*]}"
exit 1
