#!/usr/bin/env bash
# Exit 0 when this machine can execute 32-bit x86 code, which 32-bit Wine needs.
# Some virtual machines run 64-bit user code only.
[ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
