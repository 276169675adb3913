#!/usr/bin/env bash
# Writes the fuzzers' seed corpus: small valid list and schedule files, and a session's
# messages to the filter service as the pipe fuzzer reads them.
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

# Each message: its length, then the u32 code and the input.
msg() { printf "\\x$(printf %02x $(( 4 + $2 )))"; u32 "$1"; }
rule() { printf '\x00\x00\x00\x00'; printf "$1"; printf "$2"; printf '\xff\xff\xff\xff\xff\xff\xff\xff\x00\x00\x00\x00\x01\x00\x00\x00'; }
{ msg 0x232220CC 0                                                  # clear
  msg 0x2322A0C8 28; rule '\x00\x00\x00\x00' '\x01\x02\x03\x04'  # add: to 1.2.3.4
  msg 0x2322A0C8 28; rule '\x01\x02\x03\x04' '\x00\x00\x00\x00'  # add: from 1.2.3.4
  msg 0x232220C0 0                                                  # start
  msg 0x2322A0D4 8; printf '\x3c\x00\x00\x00\x00\x00\x00\x00'      # 60 s left
  msg 0x2322A0E8 0                                                  # guard query
  msg 0x232220CC 0                                                  # clear
  msg 0x232220C4 0                                                  # stop
} > "$out/pipe-session.bin"

# Schedule files: a weekday block, and a retired night block with websites.
sheader() { printf 'HWSC\x01\x00\x00\x00'; u32 "$1"; }
block() { printf "\\x$1"; printf "$2"; printf "$3"; printf "$4"; }
never='\x00\x00\x00\x00\x00\x00\x00\x00'
sheader 0 > "$out/empty.schedule"
{ sheader 2
  block 1f '\x1c\x02' '\xfc\x03' "$never"; u32 1; entry 'C:\Games\game.exe' Game 01; u32 0
  block 30 '\x28\x05' '\x78\x00' '\x4c\x9c\x19\x6b\x00\x00\x00\x00'; u32 1; entry 'C:\a.exe' A 01
  u32 2; entry 'https://news.example.com/' News 01; entry 'video.example' '' 00
} > "$out/two-blocks.schedule"
