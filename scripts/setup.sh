#!/usr/bin/env bash
# Installs what the build and the tests need with apt-get. Does nothing when all is there.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

packages=(
    cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine32:i386 wine64 xvfb xdotool x11-utils imagemagick fonts-dejavu-core
    nsis fp-utils zip unzip libchm-bin python3
)

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# 32-bit Wine comes from the i386 architecture.
fresh_arch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    fresh_arch=1
fi

need=()
for p in "${packages[@]}"; do
    have "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && [ $fresh_arch -eq 0 ] && exit 0

echo "setup: installing ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
[ ${#need[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
