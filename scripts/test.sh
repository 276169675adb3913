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

# The shipped program is 32-bit. Where this machine cannot execute 32-bit code,
# the same sources are tested as a 64-bit Windows build under 64-bit Wine.
win32() {
    build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake || return 1
    if scripts/can-run-32bit.sh; then
        ctest --test-dir build/win32 --output-on-failure
    else
        echo "This machine cannot execute 32-bit code: checking the 32-bit build statically,"
        echo "running the Win32 tests on the x86-64 build under 64-bit Wine."
        ctest --test-dir build/win32 -L static --output-on-failure &&
            build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake &&
            ctest --test-dir build/win64 --output-on-failure
    fi
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
step "Windows build and Win32 tests under Wine" win32
step "release packages in dist/" package

echo
if [ ${#failed[@]} -eq 0 ]; then
    echo "All test steps passed."
    exit 0
fi
echo "Failed steps: ${failed[*]}"
exit 1
