#!/usr/bin/env bash
# The portable zip holds exactly what we ship, and each executable in it is
# stripped, carries the project version and needs only system DLLs.
# zip_test.sh ZIP VERSION OBJDUMP(i686) OBJDUMP(x86-64)
set -euo pipefail

zip=$1 version=$2 objdump32=$3 objdump64=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expected="32-bit/HushwallFilter.exe 64-bit/HushwallFilter.exe Hushwall.chm Hushwall.exe README.txt"
exes="Hushwall.exe 32-bit/HushwallFilter.exe 64-bit/HushwallFilter.exe"
actual=$(unzip -Z1 "$zip" | sort | tr '\n' ' ' | sed 's/ $//')
[ "$actual" = "$expected" ] || { echo "FAIL: the zip holds [$actual], not [$expected]"; exit 1; }
unzip -q "$zip" -d "$work"

fail=0
for exe in $exes; do
    path=$work/$exe
    objdump=$objdump32 machine=i386
    [[ $exe == 64-bit/* ]] && objdump=$objdump64 machine=x86-64
    if "$objdump" -h "$path" | grep -q '\.debug_'; then
        echo "FAIL: $exe carries debug sections"; fail=1
    fi
    if ! "$objdump" -t "$path" | grep -q 'no symbols'; then
        echo "FAIL: $exe carries a symbol table"; fail=1
    fi
    info=$(python3 "$here/pe_version.py" "$path") || { echo "FAIL: $exe: $info"; fail=1; continue; }
    for want in "fixed=$version.0" "FileVersion=$version" "ProductVersion=$version" "OriginalFilename=$(basename "$exe")"; do
        grep -qx "$want" <<<"$info" || { echo "FAIL: $exe has no $want in its version resource"; fail=1; }
    done
    if [ "$exe" = Hushwall.exe ]; then
        # The embedded manifest: as the user, the supported Windows versions, no DPI scaling of our own.
        manifest=$(strings -n 8 "$path" | sed -n '/<assembly /,/<\/assembly>/p')
        for want in 'level="asInvoker"' 'name="Microsoft.Windows.Common-Controls"' \
                    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">false</dpiAware>' \
                    "version=\"$version.0\" processorArchitecture"; do
            grep -qF "$want" <<<"$manifest" || { echo "FAIL: $exe's manifest lacks $want"; fail=1; }
        done
        [ "$(grep -c '<supportedOS Id=' <<<"$manifest")" = 5 ] || { echo "FAIL: $exe's manifest lacks supported versions"; fail=1; }
    fi
    subsystem=gui
    [[ $exe == *HushwallFilter.exe ]] && subsystem=console  # a service
    "$here/../../scripts/check-exe.sh" "$path" "$objdump" "$machine" "$subsystem" || fail=1
done
[ $fail -eq 0 ] && echo "ok: $zip holds $expected; stripped, version $version, system DLLs only"
exit $fail
