#!/usr/bin/env bash
# Compiles the help pages in help/ into Hushwall.chm with chmcmd (Free Pascal).
# build-help.sh HELP-SOURCE-FOLDER WORK-FOLDER OUTPUT.chm
set -euo pipefail

src=$1 work=$2 out=$3
rm -rf "$work"
mkdir -p "$work" "$(dirname "$out")"
cp -r "$src"/. "$work"/
# chmcmd writes the file named in the project beside it and prints its progress.
(cd "$work" && chmcmd Hushwall.hhp >chmcmd.log 2>&1) || { cat "$work/chmcmd.log"; exit 1; }
[ -s "$work/Hushwall.chm" ] || { cat "$work/chmcmd.log"; echo "build-help: no Hushwall.chm" >&2; exit 1; }
mv "$work/Hushwall.chm" "$out"
