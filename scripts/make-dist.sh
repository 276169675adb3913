#!/usr/bin/env bash
# Packs what we ship: stripped copies of the executables, the help file, the
# setup (NSIS), the portable zip and SHA256SUMS. The filter service comes in
# two builds, each in a folder named for the Windows it is for.
# make-dist.sh VERSION OUT-FOLDER STAGE-FOLDER STRIP STRIP-X64 Hushwall.chm
#              Hushwall.exe HushwallFilter.exe(i686) HushwallFilter.exe(x86-64)
set -euo pipefail

version=$1 out=$2 stage=$3 strip=$4 strip64=$5 chm=$6 program=$7 filter32=$8 filter64=$9
root=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$stage"
mkdir -p "$stage/32-bit" "$stage/64-bit" "$out"
put() {  # put FILE STRIP DEST
    cp "$1" "$stage/$3"
    "$2" --strip-all "$stage/$3"
}
put "$program" "$strip" Hushwall.exe
put "$filter32" "$strip" 32-bit/HushwallFilter.exe
put "$filter64" "$strip64" 64-bit/HushwallFilter.exe
cp "$chm" "$stage/Hushwall.chm"
cp "$root/installer/README.txt" "$stage/README.txt"

setup=$out/Hushwall-$version-setup.exe
zip=$out/Hushwall-$version-portable.zip
rm -f "$setup" "$zip"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
    "$root/installer/Hushwall.nsi" >"$stage/makensis.log" 2>&1 ||
    { cat "$stage/makensis.log"; exit 1; }

files=(Hushwall.exe Hushwall.chm README.txt 32-bit/HushwallFilter.exe 64-bit/HushwallFilter.exe)
# Fixed times, so the same files give the same zip.
touch -d "@${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}" \
    "${files[@]/#/$stage/}" "$stage/32-bit" "$stage/64-bit"
(cd "$stage" && zip -q -X -9 "$zip" "${files[@]}")

(cd "$out" && sha256sum "$(basename "$setup")" "$(basename "$zip")" >SHA256SUMS)
echo "$setup"
echo "$zip"
