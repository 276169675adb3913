#!/usr/bin/env bash
# Checks what we ship: a PE of the expected machine and subsystem (GUI unless
# told console) that needs no DLLs beyond the system's (the C++ runtime is linked in).
set -euo pipefail

exe=$1
objdump=$2
machine=$3   # i386 or x86-64
subsystem=${4:-gui}   # gui or console

headers=$("$objdump" -p "$exe")
fmt=$("$objdump" -f "$exe" | sed -n 's/.*file format //p')
case $machine in
i386) want=pei-i386 ;;
x86-64) want=pei-x86-64 ;;
*) echo "unknown machine $machine" >&2; exit 2 ;;
esac
[ "$fmt" = "$want" ] || { echo "FAIL: $exe is $fmt, not $want"; exit 1; }
case $subsystem in
gui) code=00000002 ;;
console) code=00000003 ;;
*) echo "unknown subsystem $subsystem" >&2; exit 2 ;;
esac
grep -q "Subsystem[[:space:]]*$code" <<<"$headers" || { echo "FAIL: not a $subsystem-subsystem program"; exit 1; }

allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|psapi|msvcrt|ws2_32|wininet|shlwapi|version|uxtheme|riched20|rpcrt4|fwpuclnt|bcrypt|wtsapi32|userenv|iphlpapi|api-ms-win-.*)\.dll$'
bad=0
while read -r dll; do
    if ! grep -qiE "$allowed" <<<"$dll"; then
        echo "FAIL: $exe needs $dll"
        bad=1
    fi
done < <(sed -n 's/.*DLL Name: //p' <<<"$headers")
[ $bad -eq 0 ] || exit 1
echo "ok: $exe is $fmt, $subsystem, system DLLs only: $(sed -n 's/.*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
