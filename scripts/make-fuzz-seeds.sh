#!/usr/bin/env bash
# Writes the list-file fuzzer's seed corpus: small valid list files.
set -euo pipefail
out="${1:-$(dirname "$0")/../tests/fuzz/seeds}"
mkdir -p "$out"

u32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
header() { printf '\xbf\x0d\x0d\x00'; u32 "$1"; }
entry() { u32 ${#1}; printf '%s' "$1"; u32 ${#2}; printf '%s' "$2"; printf "\\x$3"; }

export LC_ALL=C  # ${#s} counts bytes
header 0 > "$out/empty.lst"
{ header 1; entry 'C:\a.exe' A 01; } > "$out/one-checked.lst"
{ header 4
  entry 'C:\Program Files\Game\game.exe' Game 01
  entry 'https://news.example.com/' News 00
  entry '' '' 01
  entry 'C:\Program Files\Game\game.exe' Game 00
} > "$out/several.lst"
