#!/usr/bin/env bash
# Packs what we ship: stripped copies of the executables, the help file, the
# setup (NSIS), the portable zip and SHA256SUMS.
# make-dist.sh VERSION OUT-FOLDER STAGE-FOLDER STRIP Hushwall.chm Hushwall.exe HushwallFilter.exe
set -euo pipefail

version=$1 out=$2 stage=$3 strip=$4 chm=$5
shift 5
root=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$stage"
mkdir -p "$stage" "$out"
for exe in "$@"; do
    cp "$exe" "$stage/"
    "$strip" --strip-all "$stage/$(basename "$exe")"
done
cp "$chm" "$stage/Hushwall.chm"
cp "$root/installer/README.txt" "$stage/README.txt"

setup=$out/Hushwall-$version-setup.exe
zip=$out/Hushwall-$version-portable.zip
rm -f "$setup" "$zip"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
    "$root/installer/Hushwall.nsi" >"$stage/makensis.log" 2>&1 ||
    { cat "$stage/makensis.log"; exit 1; }

files=(Hushwall.exe Hushwall.chm HushwallFilter.exe README.txt)
# Fixed times, so the same files give the same zip.
touch -d "@${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}" "${files[@]/#/$stage/}"
(cd "$stage" && zip -q -X -9 "$zip" "${files[@]}")

(cd "$out" && sha256sum "$(basename "$setup")" "$(basename "$zip")" >SHA256SUMS)
echo "$setup"
echo "$zip"
